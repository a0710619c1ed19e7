#pragma once

#include <QMainWindow>

class QLabel;
class QPushButton;
class QAction;
class QFrame;

namespace velta {

class TDM;
class Tversion1;
class ToolsMenu;
class TK_touroku1;
class Thonnin1;
class TK_ichiran1;
class Thagaki_sakusei;

class Tmenu1 : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 474;
    static constexpr int ClientHeight = 441;
    static const QString ManualAddress;
    static const QString HomeAddress;

    explicit Tmenu1(TDM& dm, QWidget* parent = nullptr);
    void setVersionDialog(Tversion1* dialog) { version1_ = dialog; }
    void setEntryWindow(TK_touroku1* window) { touroku1_ = window; }
    void setSenderWindow(Thonnin1* window) { honnin1_ = window; }
    void setListWindow(TK_ichiran1* window) { ichiran1_ = window; }
    void setPostcardWindow(Thagaki_sakusei* window) { hagaki_ = window; }
    // Opens the database and checks its schema: an old one disables the address buttons it
    // cannot serve.
    void applySchemaGate();
    // Start-up's rest, once the menu is on screen: the other windows (the menu's own) and the
    // schema gate, so the menu shows before any database work.
    void finishStartUpWhenShown();

    QFrame* Panel1;
    QFrame* Panel2;
    QFrame* Panel3;
    QFrame* Panel4;
    QLabel* Label1;
    QLabel* Label4;
    QPushButton* Button1;
    QPushButton* Button2;
    QPushButton* Button3;
    QPushButton* Button4;
    QPushButton* Button5;
    QPushButton* Button10;
    QAction* N2;
    QAction* N5;
    ToolsMenu* tools; // ツール: postal-code dictionary, address book in and out

public slots:
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void Button5Click();
    void Button10Click();
    void Label4Click();
    void N5Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TDM& dm_;
    Tversion1* version1_ = nullptr;
    TK_touroku1* touroku1_ = nullptr;
    Thonnin1* honnin1_ = nullptr;
    TK_ichiran1* ichiran1_ = nullptr;
    Thagaki_sakusei* hagaki_ = nullptr;
    QFrame* makeRow(QWidget* client, const char* name, int top);
    void setColours(bool set);
};

} // namespace velta
