#include "aqua_graphite_style.h"
#include "colours.h"
#include "dm.h"
#include "errors.h"
#include "font_substitution.h"
#include "message_service.h"
#include "recorded_boxes.h"
#include "shell_open.h"
#include "test_database.h"
#include "thagaki_sakusei.h"
#include "thonnin1.h"
#include "tk_ichiran1.h"
#include "tk_touroku1.h"
#include "tmenu1.h"
#include "tversion1.h"
#include "velta_application.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QWindow>

#include <gtest/gtest.h>

using namespace velta;
using velta::test::TestDatabase;

using velta::test::RecordedBoxes;

namespace {

struct ButtonStates {
    bool entry;
    bool list;
    bool operator==(const ButtonStates&) const = default;
};

ButtonStates gateOn(const SchemaOptions& options) {
    TestDatabase database(velta::test::Backend::Embedded, options);
    auto dm = database.connect();
    Tmenu1 menu(*dm);
    menu.applySchemaGate();
    EXPECT_FALSE(dm->IBDatabase1.Connected()) << "the gate closes the connection again";
    EXPECT_TRUE(menu.Button10->isEnabled());
    EXPECT_TRUE(menu.Button4->isEnabled());
    EXPECT_TRUE(menu.Button1->isEnabled());
    return {menu.Button2->isEnabled(), menu.Button5->isEnabled()};
}

} // namespace

TEST(Tmenu1, HasItsCaptionFixedSizeRowsAndMenus) {
    RecordedBoxes boxes;
    TestDatabase database;
    auto dm = database.connect();
    Tmenu1 menu(*dm);
    EXPECT_EQ(menu.windowTitle(), "宛名印刷ソフト");
    EXPECT_EQ(menu.minimumSize(), menu.maximumSize());
    EXPECT_EQ(menu.centralWidget()->size(), QSize(474, 441));
    EXPECT_FALSE(menu.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(menu.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(menu.Label1->text(), "VELTA");
    const std::pair<QPushButton*, const char*> buttons[] = {{menu.Button2, "宛名登録"},
                                                            {menu.Button5, "宛名一覧"},
                                                            {menu.Button10, "ハガキ作成"},
                                                            {menu.Button4, "差出人登録"},
                                                            {menu.Button1, "オンラインマニュアル"},
                                                            {menu.Button3, "閉じる"}};
    for (const auto& [button, caption] : buttons)
        EXPECT_EQ(button->text(), QString::fromUtf8(caption));
    EXPECT_EQ(menu.Panel4->geometry().top(), 99);
    EXPECT_EQ(menu.Panel3->geometry().top(), 231);
    EXPECT_EQ(menu.Panel2->geometry().top(), 358);
    EXPECT_EQ(menu.Button2->size(), QSize(209, 60));
    EXPECT_EQ(menu.Button3->size(), QSize(217, 61));
    EXPECT_EQ(menu.N2->text(), "終了");
    EXPECT_EQ(menu.N5->text(), "バージョン情報");
    EXPECT_EQ(menu.Panel1->palette().color(QPalette::Window), kMenuPanel);
    EXPECT_EQ(menu.centralWidget()->palette().color(QPalette::Window), kFormBackground);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_NE(menu.findChild<QPushButton*>("Button10"), nullptr);
}

TEST(Tmenu1, CaptionsAreTheWindowsOwnAndQtDialogsSpeakJapanese) {
    RecordedBoxes boxes;
    TestDatabase database;
    auto dm = database.connect();
    Tmenu1 menu(*dm);
    menu.show();
    ASSERT_NE(menu.windowHandle(), nullptr);
    // What the window manager shows: no " — VELTA" after the caption.
    EXPECT_EQ(menu.windowHandle()->title(), "宛名印刷ソフト");
    QMessageBox question(QMessageBox::Question, "VELTA", "削除しますか？",
                         QMessageBox::Yes | QMessageBox::No);
    EXPECT_TRUE(question.button(QMessageBox::Yes)->text().contains("はい"))
        << question.button(QMessageBox::Yes)->text().toStdString();
    EXPECT_TRUE(question.button(QMessageBox::No)->text().contains("いいえ"));
    QFileDialog files;
    files.setOption(QFileDialog::DontUseNativeDialog);
    EXPECT_NE(files.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->text(),
              "&Cancel");
}

TEST(Tmenu1, SchemaGateDisablesTheAddressButtonsAnOldSchemaCannotServe) {
    RecordedBoxes boxes;
    EXPECT_EQ(gateOn(SchemaOptions{false, {}}), (ButtonStates{true, false}));
    EXPECT_EQ(gateOn(SchemaOptions{true, {"1.1.1"}}), (ButtonStates{false, false}));
    EXPECT_EQ(gateOn(SchemaOptions{true, {"1.1.2"}}), (ButtonStates{true, true}));
    EXPECT_EQ(gateOn(SchemaOptions{true, {"2.0.0"}}), (ButtonStates{true, true}));
    EXPECT_TRUE(boxes.shown.empty());
}

TEST(Tmenu1, StartUpShowsTheMenuBeforeOpeningTheDatabaseOrMakingTheOtherWindows) {
    RecordedBoxes boxes;
    TestDatabase database(velta::test::Backend::Embedded, SchemaOptions{true, {"1.1.1"}});
    auto dm = database.connect();
    const quint64 attachments = dm->IBDatabase1.generation();
    Tmenu1 menu(*dm);
    menu.finishStartUpWhenShown();
    QCoreApplication::processEvents();
    // Nothing yet: no window made, the buttons as built, no attachment.
    EXPECT_EQ(menu.findChild<Thagaki_sakusei*>(), nullptr);
    EXPECT_TRUE(menu.Button2->isEnabled());
    EXPECT_EQ(dm->IBDatabase1.generation(), attachments);
    menu.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&menu));
    QTRY_VERIFY(menu.findChild<Thagaki_sakusei*>() != nullptr);
    for (QObject* window : {static_cast<QObject*>(menu.findChild<TK_touroku1*>()),
                            static_cast<QObject*>(menu.findChild<TK_ichiran1*>()),
                            static_cast<QObject*>(menu.findChild<Thonnin1*>()),
                            static_cast<QObject*>(menu.findChild<Tversion1*>())})
        EXPECT_NE(window, nullptr);
    // Then the gate: this schema serves neither address window.
    EXPECT_FALSE(menu.Button2->isEnabled());
    EXPECT_FALSE(menu.Button5->isEnabled());
    EXPECT_GT(dm->IBDatabase1.generation(), attachments);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST(Tmenu1, EmptyVersionTableShowsTheErrorAndLeavesEveryButtonEnabled) {
    RecordedBoxes boxes;
    TestDatabase database(velta::test::Backend::Embedded, SchemaOptions{true, {}});
    auto dm = database.connect();
    auto* application = static_cast<VeltaApplication*>(QApplication::instance());
    application->setErrorCleanup([&] { dm->IBDatabase1.Abandon(); }); // as at start-up
    Tmenu1 menu(*dm);
    menu.applySchemaGate();
    application->setErrorCleanup({});
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].kind, MessageService::Kind::Error);
    EXPECT_EQ(boxes.shown[0].title, "VELTA");
    EXPECT_TRUE(menu.Button2->isEnabled());
    EXPECT_TRUE(menu.Button5->isEnabled());
    EXPECT_FALSE(menu.Panel1->autoFillBackground()) << "colours stay unset after a failed gate";
    EXPECT_FALSE(dm->IBDatabase1.Connected()) << "a failed operation closes the connection";
}

TEST(Tmenu1, MissingDatabaseNameIsReportedAndTheMenuStillOpens) {
    RecordedBoxes boxes;
    TDM dm(QString(), false);
    Tmenu1 menu(dm);
    menu.applySchemaGate();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.shown[0].text.contains("データベース名が設定されていません"));
    EXPECT_TRUE(menu.Button5->isEnabled());
    // The banner keeps readable system colours: no white text on the unset grey panel.
    EXPECT_FALSE(menu.Label1->styleSheet().contains("white"));
    EXPECT_FALSE(menu.Label4->styleSheet().contains("white"));
}

TEST(Tmenu1, VersionDialogShowsItsWholeTextAndFaceListsPutJapaneseFirst) {
    Tversion1 version;
    version.show();
    QCoreApplication::processEvents();
    auto* memo = version.findChild<QPlainTextEdit*>("Memo1");
    ASSERT_NE(memo, nullptr);
    EXPECT_EQ(memo->verticalScrollBar()->maximum(), 0);
    EXPECT_TRUE(version.geometry().contains(
        version.findChild<QPushButton*>("Button1")->geometry().bottomRight() +
        version.geometry().topLeft()));

    const QStringList faces = cardFaceChoices();
    ASSERT_GE(faces.size(), 7);
    EXPECT_EQ(faces[0], "HGP明朝E");
    const qsizetype ipa = faces.indexOf("IPAexMincho"), dejavu = faces.indexOf("DejaVu Sans");
    ASSERT_GE(ipa, 0);
    if (dejavu >= 0) {
        EXPECT_LT(ipa, dejavu);
    }
    EXPECT_FALSE(desktopHandles("x-scheme-handler/velta-no-such-scheme"));
}

TEST(Tmenu1, ManualAndHomePageOpenThroughTheDesktop) {
    RecordedBoxes boxes;
    TestDatabase database;
    auto dm = database.connect();
    Tmenu1 menu(*dm);
    QStringList opened;
    setShellOpener([&](const QString& address) {
        opened.append(address);
        return true;
    });
    QTest::mouseClick(menu.Button1, Qt::LeftButton);
    QTest::mouseClick(menu.Label4, Qt::LeftButton);
    QTest::mouseClick(menu.Label4, Qt::RightButton);
    EXPECT_EQ(opened, QStringList({Tmenu1::ManualAddress, Tmenu1::HomeAddress}));

    setShellOpener([](const QString&) { return false; });
    QTest::mouseClick(menu.Button1, Qt::LeftButton);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.shown[0].text.contains(Tmenu1::ManualAddress));
    setShellOpener([](const QString&) { return true; });
}

TEST(Tmenu1, VersionDialogClosesTheConnectionFirstAndShowsVersion103) {
    RecordedBoxes boxes;
    TestDatabase database;
    auto dm = database.connect();
    Tmenu1 menu(*dm);
    Tversion1 version(&menu);
    menu.setVersionDialog(&version);
    EXPECT_EQ(version.windowTitle(), "バージョン情報");
    EXPECT_EQ(version.minimumSize(), version.maximumSize());
    EXPECT_NE(version.findChild<QLabel*>("Label2")->text().indexOf("1.0.3"), -1);

    dm->IBQuery1.Clear();
    dm->IBQuery1.Add("select count(*) from MST_KOKYAKU");
    dm->IBQuery1.Open(); // left open, as the postcard search does
    ASSERT_TRUE(dm->IBDatabase1.Connected());
    bool wasVisible = false;
    QTimer::singleShot(0, &version, [&] {
        wasVisible = version.isVisible();
        version.Button1->click();
    });
    menu.N5->trigger();
    EXPECT_TRUE(wasVisible);
    EXPECT_FALSE(dm->IBDatabase1.Connected());
    EXPECT_EQ(version.palette().color(QPalette::Window), kFormBackground);
}

TEST(Tmenu1, CloseButtonAndExitItemCloseTheWindow) {
    RecordedBoxes boxes;
    TestDatabase database;
    auto dm = database.connect();
    Tmenu1 menu(*dm);
    menu.show();
    QTest::mouseClick(menu.Button3, Qt::LeftButton);
    EXPECT_FALSE(menu.isVisible());
    menu.show();
    menu.N2->trigger();
    EXPECT_FALSE(menu.isVisible());
}

TEST(TopLevelHandler, ErrorInAHandlerIsShownTitledVeltaAndRollsBack) {
    RecordedBoxes boxes;
    TestDatabase database;
    auto dm = database.connect();
    auto* application = static_cast<VeltaApplication*>(QApplication::instance());
    application->setErrorCleanup([&] { dm->IBDatabase1.Abandon(); });
    QPushButton button;
    QObject::connect(&button, &QPushButton::clicked, [&] {
        dm->IBQuery1.Clear();
        dm->IBQuery1.Add("insert into MST_KOKYAKU (KEY1, NAMAE) values (0, 'x')");
        dm->IBQuery1.ExecSQL();
        throw DbError("途中で失敗しました。");
    });
    button.show();
    QTest::mouseClick(&button, Qt::LeftButton);
    application->setErrorCleanup({});
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, "VELTA");
    EXPECT_EQ(boxes.shown[0].text, "途中で失敗しました。");
    EXPECT_FALSE(dm->IBDatabase1.Connected());
    EXPECT_EQ(database.scalar("select count(*) from MST_KOKYAKU"), 0);
}

TEST(AquaGraphite, StyleAppliesWithAquaHighlight) {
    ASSERT_TRUE(applyAquaGraphiteStyle());
    EXPECT_EQ(QApplication::style()->objectName(), "Aqua Graphite");
    EXPECT_EQ(QApplication::palette().color(QPalette::Highlight), QColor(0x3A, 0x8E, 0xE6));
}

TEST(Tmenu1, EntryAndSenderButtonsPrepareTheirWindowsAndShowThemModally) {
    RecordedBoxes boxes;
    TestDatabase database;
    auto dm = database.connect();
    Tmenu1 menu(*dm);
    TK_touroku1 touroku(*dm, &menu);
    Thonnin1 honnin(*dm, &menu);
    menu.setEntryWindow(&touroku);
    menu.setSenderWindow(&honnin);
    touroku.Label15->setText("3");
    bool entryModal = false;
    QTimer::singleShot(0, &touroku, [&] {
        entryModal = touroku.isModal() && touroku.isVisible();
        touroku.Button1->click();
    });
    QTest::mouseClick(menu.Button2, Qt::LeftButton);
    EXPECT_TRUE(entryModal);
    EXPECT_EQ(touroku.Label15->text(), "Label15");
    EXPECT_FALSE(touroku.Edit5->text().isEmpty());

    database.execute("insert into MST_SASIDASI (KEY1, NAMAE) values (1, '差出')");
    bool senderShown = false;
    QTimer::singleShot(0, &honnin, [&] {
        senderShown = honnin.isVisible();
        honnin.Button1->click();
    });
    QTest::mouseClick(menu.Button4, Qt::LeftButton);
    EXPECT_TRUE(senderShown);
    EXPECT_EQ(honnin.Edit1->text(), "差出");
    EXPECT_TRUE(boxes.shown.empty());
}
