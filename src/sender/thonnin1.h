#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace velta {

class TDM;
class PostalAssist;
struct SenderRecord;

// The sender window: the one sender printed on every card.
class Thonnin1 : public QDialog {
    Q_OBJECT
public:
    explicit Thonnin1(TDM& dm, QWidget* parent = nullptr);

    QLineEdit *Edit1, *Edit2, *Edit3, *Edit4, *Edit5, *Edit6, *Edit7, *Edit8, *Edit9, *Edit10,
        *Edit11, *Edit12;
    QPlainTextEdit* Memo1;
    QPushButton *Button1, *Button2, *Button4;
    QLabel *Label17, *Label20, *Label14;
    PostalAssist* postalAssist; // 〒→住所, 住所→〒

    // The menu's "差出人登録": loads row 1 (today's date when the sender has none).
    void loadSender();

public slots:
    void Button2Click();
    void Button4Click();
    void Button1Click();
    void Edit11Enter();
    void Edit11Exit();

private:
    TDM& dm_;
    SenderRecord fields() const;
};

} // namespace velta
