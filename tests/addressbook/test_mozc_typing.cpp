// Typing into the entry window through the real thing: fcitx5 with Mozc on an X display, keys
// sent by xdotool as a user's keyboard would. Run by tests/scripts/test_mozc_typing.sh, which
// starts the display, the D-Bus session and fcitx5 for this test alone; skipped elsewhere.
#include "recorded_boxes.h"
#include "test_database.h"
#include "tk_touroku1.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace velta;

namespace {

// Keeps the event loop running while xdotool works: fcitx5 talks to the window meanwhile.
void xdotool(const QStringList& arguments) {
    QProcess tool;
    tool.start(QStringLiteral("xdotool"), arguments);
    while (!tool.waitForFinished(10))
        QCoreApplication::processEvents();
    ASSERT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
}

// Waits until the field holds `expected` (Mozc's server starts on the first word).
bool waitForText(QLineEdit* field, const QString& expected) {
    QElapsedTimer clock;
    clock.start();
    while (field->text() != expected && clock.elapsed() < 15000)
        QTest::qWait(50);
    return field->text() == expected;
}

void focus(QLineEdit* field) {
    field->setFocus();
    QTest::qWait(700); // the mode reaches fcitx5 after the focus
}

// Types a word in romaji into the field, converts it (space) and commits it (Enter).
void typeAndConvert(QLineEdit* field, const char* romaji) {
    focus(field);
    xdotool({"type", "--delay", "80", romaji});
    xdotool({"key", "space"});
    QTest::qWait(500);
    xdotool({"key", "Return"});
}

} // namespace

TEST(MozcTyping, RomajiTypedIntoTheEntryWindowIsStoredAsAJapaneseUserMeansIt) {
    if (qEnvironmentVariable("VELTA_TEST_FCITX5") != QLatin1String("1"))
        GTEST_SKIP() << "needs the fcitx5 session of tests/scripts/test_mozc_typing.sh";
    test::TestDatabase database;
    auto dm = database.connect();
    test::RecordedBoxes boxes;
    TK_touroku1 window(*dm);
    window.prepareNewRecipient();
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    // 姓 opens the input method: romaji become kana, space converts, Enter commits.
    typeAndConvert(window.Edit1, "yamada");
    EXPECT_TRUE(waitForText(window.Edit1, "山田")) << window.Edit1->text().toStdString();
    typeAndConvert(window.Edit13, "tarou");
    EXPECT_TRUE(waitForText(window.Edit13, "太郎")) << window.Edit13->text().toStdString();
    // The reading filled itself from the kana typed before conversion.
    EXPECT_EQ(window.Edit11->text(), "ヤマダ タロウ");

    // The postal code takes direct input only; the telephone field closes the input method.
    focus(window.Edit3);
    xdotool({"type", "--delay", "80", "1500002"});
    EXPECT_TRUE(waitForText(window.Edit3, "1500002")) << window.Edit3->text().toStdString();
    focus(window.Edit9);
    xdotool({"type", "--delay", "80", "03-1234-5678"});
    EXPECT_TRUE(waitForText(window.Edit9, "03-1234-5678")) << window.Edit9->text().toStdString();

    QTest::mouseClick(window.Button2, Qt::LeftButton);
    EXPECT_EQ(database.scalar("select count(*) from MST_KOKYAKU where NAMAE = '山田' and "
                              "NAMAE2 = '太郎' and HURIGANA = 'ヤマダ タロウ' and "
                              "YUBINNO = '1500002' and TEL = '03-1234-5678'"),
              1);
}
