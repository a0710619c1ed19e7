#include "tmenu1.h"

#include "colours.h"
#include "dm.h"
#include "first_paint.h"
#include "form_widgets.h"
#include "message_service.h"
#include "schema_gate.h"
#include "shell_open.h"
#include "thagaki_sakusei.h"
#include "thonnin1.h"
#include "tk_ichiran1.h"
#include "tk_touroku1.h"
#include "tools_menu.h"
#include "tversion1.h"
#include "velta_application.h"

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>

namespace velta {

const QString Tmenu1::ManualAddress = QStringLiteral("https://velta.example.jp/manual/");
const QString Tmenu1::HomeAddress = QStringLiteral("https://velta.example.jp/");

Tmenu1::Tmenu1(TDM& dm, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint), dm_(dm) {
    setObjectName(QStringLiteral("menu1"));
    setWindowTitle(QStringLiteral("宛名印刷ソフト"));
    setFont(pixelFont(QStringLiteral("Tahoma"), 11));

    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(ClientWidth, ClientHeight);
    setCentralWidget(client);

    QMenu* file = menuBar()->addMenu(QStringLiteral("ファイル"));
    N2 = file->addAction(QStringLiteral("終了"));
    N2->setObjectName(QStringLiteral("N2"));
    QMenu* options = menuBar()->addMenu(QStringLiteral("オプション"));
    N5 = options->addAction(QStringLiteral("バージョン情報"));
    N5->setObjectName(QStringLiteral("N5"));
    tools = new ToolsMenu(this, dm);

    Panel1 = new QFrame(client);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(0, 0, ClientWidth, 65);
    Label1 = new QLabel(QStringLiteral("VELTA"), Panel1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(16, 8, 200, 30);
    Label1->setFont(pixelFont(QStringLiteral("ＭＳ Ｐゴシック"), 24));
    Label4 = new QLabel(QStringLiteral("VELTA 開発チーム　") + HomeAddress, Panel1);
    Label4->setObjectName(QStringLiteral("Label4"));
    Label4->setGeometry(16, 42, 440, 16);
    QFont linkFont = pixelFont(QStringLiteral("Tahoma"), 11);
    linkFont.setUnderline(true);
    Label4->setFont(linkFont);
    Label4->setCursor(Qt::PointingHandCursor);
    Label4->installEventFilter(this);

    Panel4 = makeRow(client, "Panel4", 99);
    Button2 = pushButton(Panel4, "Button2", QStringLiteral("宛名登録"), QRect(16, 11, 209, 60));
    Button5 = pushButton(Panel4, "Button5", QStringLiteral("宛名一覧"), QRect(249, 11, 209, 60));
    Panel3 = makeRow(client, "Panel3", 231);
    Button10 = pushButton(Panel3, "Button10", QStringLiteral("ハガキ作成"), QRect(16, 11, 209, 60));
    Button4 = pushButton(Panel3, "Button4", QStringLiteral("差出人登録"), QRect(249, 11, 209, 60));
    Panel2 = makeRow(client, "Panel2", 358);
    Button1 = pushButton(Panel2, "Button1", QStringLiteral("オンラインマニュアル"),
                         QRect(16, 11, 209, 61));
    Button3 = pushButton(Panel2, "Button3", QStringLiteral("閉じる"), QRect(241, 11, 217, 61));

    connect(Button1, &QPushButton::clicked, this, &Tmenu1::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &Tmenu1::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &Tmenu1::Button3Click);
    connect(Button4, &QPushButton::clicked, this, &Tmenu1::Button4Click);
    connect(Button5, &QPushButton::clicked, this, &Tmenu1::Button5Click);
    connect(Button10, &QPushButton::clicked, this, &Tmenu1::Button10Click);
    connect(N2, &QAction::triggered, this, &Tmenu1::Button3Click);
    connect(N5, &QAction::triggered, this, &Tmenu1::N5Click);

    setFixedSize(ClientWidth, ClientHeight + menuBar()->sizeHint().height());
    setColours(true);
}

QFrame* Tmenu1::makeRow(QWidget* client, const char* name, int top) {
    auto* row = new QFrame(client);
    row->setObjectName(QString::fromLatin1(name));
    row->setGeometry(0, top, ClientWidth, 83);
    row->setFrameShape(QFrame::StyledPanel);
    return row;
}

void Tmenu1::applySchemaGate() {
    // A failing gate leaves every button enabled and the colours unset; start-up goes on.
    bool passed = false;
    guarded([this, &passed] {
        const GateResult gate = runSchemaGate(dm_);
        Button5->setEnabled(gate.addressListEnabled);
        Button2->setEnabled(gate.addressEntryEnabled);
        passed = true;
    });
    if (!passed)
        setColours(false);
}

void Tmenu1::finishStartUpWhenShown() {
    afterFirstPaint(*this, [this] {
        setVersionDialog(new Tversion1(this));
        setPostcardWindow(new Thagaki_sakusei(dm_, this));
        auto* entry = new TK_touroku1(dm_, this);
        setEntryWindow(entry);
        setListWindow(new TK_ichiran1(dm_, *entry, this));
        setSenderWindow(new Thonnin1(dm_, this));
        applySchemaGate();
    });
}

void Tmenu1::setColours(bool set) {
    auto paint = [set](QWidget* widget, const QColor& colour) {
        if (set) {
            setBackground(widget, colour);
        } else {
            widget->setPalette(QPalette());
            widget->setAutoFillBackground(false);
        }
    };
    paint(centralWidget(), kFormBackground);
    for (QFrame* panel : {Panel1, Panel2, Panel3, Panel4})
        paint(panel, kMenuPanel);
    // White on the banner's blue only: without the colours (a failed version check) the banner
    // keeps the system's button text, readable on the system's panel colour.
    for (QLabel* label : {Label1, Label4})
        label->setStyleSheet(set ? QStringLiteral("color: white;") : QString());
}

bool Tmenu1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Label4 && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        Label4Click();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void Tmenu1::Button1Click() {
    shellOpen(ManualAddress);
}
void Tmenu1::Label4Click() {
    shellOpen(HomeAddress);
}
void Tmenu1::Button3Click() {
    close();
}

namespace {

// Prepares a working window and shows it modally; a window not yet set does nothing.
template <class Window, class Prepare> void openModal(Window* window, Prepare prepare) {
    if (!window)
        return;
    (window->*prepare)();
    window->exec();
}

} // namespace

void Tmenu1::Button2Click() {
    openModal(touroku1_, &TK_touroku1::prepareNewRecipient);
}
void Tmenu1::Button4Click() {
    openModal(honnin1_, &Thonnin1::loadSender);
}
void Tmenu1::Button5Click() {
    openModal(ichiran1_, &TK_ichiran1::prepare);
}
void Tmenu1::Button10Click() {
    openModal(hagaki_, &Thagaki_sakusei::prepare);
}

void Tmenu1::N5Click() {
    dm_.close();
    if (version1_)
        version1_->showVersion();
}

} // namespace velta
