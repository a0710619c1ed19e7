#include "dm.h"
#include "form_widgets.h"
#include "recorded_boxes.h"
#include "test_database.h"
#include "thonnin1.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace velta;
using velta::test::RecordedBoxes;
using velta::test::TestDatabase;

namespace {

const QString kRegistered = QStringLiteral("　　　　　登録しました。　　　　　");

class SenderWindow : public ::testing::Test {
protected:
    SenderWindow() : dm(database.connect()), window(*dm) {}

    void open() {
        window.loadSender();
        window.show();
    }
    void fill(const QString& surname, const QString& reading, const QString& address) {
        window.Edit1->setText(surname);
        window.Edit11->setText(reading);
        window.Edit4->setText(address);
    }
    QString column(const QString& name) const {
        auto reader = database.connect();
        reader->IBQuery1.Add("select " + name + " from MST_SASIDASI where KEY1 = 1");
        reader->IBQuery1.Open();
        const QString value = reader->IBQuery1.fieldString(0);
        reader->close();
        return value;
    }
    qint64 rows() const { return database.scalar("select count(*) from MST_SASIDASI"); }

    RecordedBoxes boxes;
    TestDatabase database;
    std::unique_ptr<TDM> dm;
    Thonnin1 window;
};

} // namespace

TEST_F(SenderWindow, HasTheFormsControlsWhereTheyBelong) {
    EXPECT_EQ(window.windowTitle(), "差出人登録");
    EXPECT_EQ(window.size(), QSize(704, 511));
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    EXPECT_EQ(window.Edit2->geometry(), QRect(322, 60, 87, 21));
    EXPECT_EQ(window.Memo1->geometry(), QRect(130, 264, 553, 185));
    EXPECT_EQ(window.Button4->geometry(), QRect(130, 455, 75, 50));
    EXPECT_EQ(window.findChild<QLabel*>("Panel15Label")->text(), "電話番号");
    EXPECT_EQ(InputMethodLayer::modeOf(window.Edit3), ImeMode::Disabled);
    EXPECT_EQ(InputMethodLayer::modeOf(window.Edit11), ImeMode::FullWidthKatakana);
}

TEST_F(SenderWindow, FirstUseOpensEmptyWithTodayAndRegistersRowOne) {
    open();
    const DateParts today = todayParts();
    EXPECT_EQ(window.Edit5->text(), today.year);
    EXPECT_EQ(window.Edit7->text(), today.day);
    EXPECT_TRUE(window.Edit1->text().isEmpty());
    EXPECT_TRUE(window.Label17->text().isEmpty());
    EXPECT_FALSE(window.Label17->isVisible());
    fill("鈴木", "スズキ", "東京都千代田区千代田１－１");
    window.Edit3->setText("1000001");
    window.Edit9->setText("03-1234-5678 (代)");
    QTest::mouseClick(window.Button2, Qt::LeftButton);
    EXPECT_EQ(boxes.texts(), QStringList{kRegistered});
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(rows(), 1);
    EXPECT_EQ(column("NAMAE"), "鈴木");
    EXPECT_EQ(column("JYUSYO"), "東京都千代田区千代田１－１");
    EXPECT_EQ(column("YEAR1"), today.year);
    EXPECT_EQ(column("TEL"), "03-1234-5678 (代)");
    EXPECT_EQ(
        database.scalar("select count(*) from MST_SASIDASI where KEY2 is null and LMONEY = ''"), 1);
    EXPECT_FALSE(dm->IBDatabase1.Connected());

    // The next opening shows the stored sender.
    open();
    EXPECT_EQ(window.Edit1->text(), "鈴木");
    EXPECT_EQ(window.Edit3->text(), "1000001");
    EXPECT_EQ(window.Edit5->text(), today.year);
}

TEST_F(SenderWindow, RegisteringAgainReplacesTheOneRow) {
    open();
    fill("鈴木", "スズキ", "東京都");
    QTest::mouseClick(window.Button2, Qt::LeftButton);
    open();
    fill("高橋", "タカハシ", "大阪府");
    window.Edit5->setText("2020");
    QTest::mouseClick(window.Button2, Qt::LeftButton);
    EXPECT_EQ(rows(), 1);
    EXPECT_EQ(column("NAMAE"), "高橋");
    EXPECT_EQ(column("YEAR1"), "2020");
}

TEST_F(SenderWindow, SecondKeyIsCarriedOver) {
    open();
    fill("鈴木", "スズキ", "東京都");
    QTest::mouseClick(window.Button2, Qt::LeftButton);
    database.execute("update MST_SASIDASI set KEY2 = 7");
    open();
    EXPECT_EQ(window.Label17->text(), "7");
    window.Edit4->setText("京都府");
    QTest::mouseClick(window.Button2, Qt::LeftButton);
    EXPECT_EQ(column("KEY2"), "7");
    EXPECT_EQ(column("JYUSYO"), "京都府");
}

TEST_F(SenderWindow, DeleteAsksFirstAndRegisteringAfterwardsStoresItAgain) {
    open();
    fill("鈴木", "スズキ", "東京都");
    QTest::mouseClick(window.Button2, Qt::LeftButton);
    open();
    boxes.shown.clear();
    boxes.answer = QMessageBox::No;
    QTest::mouseClick(window.Button4, Qt::LeftButton);
    EXPECT_EQ(boxes.texts(), QStringList{"元に戻すことができません。削除しますか？"});
    EXPECT_EQ(rows(), 1);
    boxes.answer = QMessageBox::Yes;
    QTest::mouseClick(window.Button4, Qt::LeftButton);
    EXPECT_EQ(boxes.texts().last(), "削除しました。");
    EXPECT_EQ(rows(), 0);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.Edit1->text(), "鈴木");
    QTest::mouseClick(window.Button2, Qt::LeftButton);
    EXPECT_EQ(rows(), 1);
    EXPECT_EQ(column("NAMAE"), "鈴木");
}

TEST_F(SenderWindow, MissingNamesKeepTheWindowOpenWithWhatWasTyped) {
    open();
    fill("鈴木", "", "東京都");
    QTest::mouseClick(window.Button2, Qt::LeftButton);
    EXPECT_EQ(boxes.texts(), QStringList{"名前・フリガナを入力してください。"});
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.Edit4->text(), "東京都");
    EXPECT_EQ(rows(), 0);
}

TEST_F(SenderWindow, FailedRegistrationKeepsTheStoredSender) {
    open();
    fill("鈴木", "スズキ", "東京都");
    QTest::mouseClick(window.Button2, Qt::LeftButton);

    // Refused on the client after the delete ran: a character the connection cannot store.
    open();
    boxes.shown.clear();
    window.Memo1->setPlainText("①番地");
    QTest::mouseClick(window.Button2, Qt::LeftButton);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].kind, MessageService::Kind::Error);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(rows(), 1);

    // Refused by the server during the insert.
    database.execute("create exception E_REFUSED 'refused by test'");
    database.execute("create trigger T_REFUSE for MST_SASIDASI before insert as begin "
                     "if (new.NAMAE = '失敗') then exception E_REFUSED; end");
    window.Memo1->clear();
    window.Edit1->setText("失敗");
    QTest::mouseClick(window.Button2, Qt::LeftButton);
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_TRUE(boxes.shown[1].text.contains("refused by test"));
    // A later operation that closes the connection commits nothing of the failed one.
    dm->close();
    EXPECT_EQ(rows(), 1);
    EXPECT_EQ(column("NAMAE"), "鈴木");
}

TEST_F(SenderWindow, PostalCodeTakesDigitsOnlyAndTelephoneTakesAnything) {
    open();
    window.Edit3->clear();
    velta::test::typeText(window.Edit3, "100-0001１a");
    EXPECT_EQ(window.Edit3->text(), "1000001");
    QTest::keyClick(window.Edit3, Qt::Key_Backspace);
    EXPECT_EQ(window.Edit3->text(), "100000");
    velta::test::typeText(window.Edit9, "+81 (3) 1234-5678");
    EXPECT_EQ(window.Edit9->text(), "+81 (3) 1234-5678");
}

TEST_F(SenderWindow, ReadingFillsItselfAndInputMethodDigitsAreKept) {
    open();
    window.Edit3->clear();
    velta::test::typeThroughMozc(window.Edit1, {"す", "すず", "すずき", "鈴木"}, "鈴木");
    velta::test::typeThroughMozc(window.Edit2, {"い", "いち", "いちろう", "一郎"}, "一郎");
    EXPECT_EQ(window.Edit11->text(), "スズキ イチロウ");
    // The sender's postal code takes digits only: Mozc's full-width digits are kept, its
    // hyphen named at the field.
    velta::test::typeThroughMozc(window.Edit3, {}, "１５０－０００２");
    EXPECT_EQ(window.Edit3->text(), "1500002");
    window.Edit4->setText("東京都渋谷区渋谷");
    QTest::mouseClick(window.Button2, Qt::LeftButton);
    EXPECT_EQ(column("HURIGANA"), "スズキ イチロウ");
    EXPECT_EQ(column("YUBINNO"), "1500002");
}
