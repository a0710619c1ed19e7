#include "detail_store.h"
#include "dm.h"
#include "form_widgets.h"
#include "recipient_details_panel.h"
#include "recipient_store.h"
#include "recorded_boxes.h"
#include "test_database.h"
#include "tk_touroku1.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QToolTip>

#include <gtest/gtest.h>

using namespace velta;
using velta::test::RecordedBoxes;
using velta::test::TestDatabase;

namespace {

const QString kNewDone =
    QStringLiteral("\r\n\r\n　　新規登録が完了しました。　登録画面を閉じます。　　\r\n\r\n");
const QString kEditDone = QStringLiteral("　　編集が完了しました。　　");

class EntryWindow : public ::testing::Test {
protected:
    explicit EntryWindow(SchemaOptions options = {})
        : database(velta::test::Backend::Embedded, options), dm(database.connect()), window(*dm) {}

    // As the menu's "宛名登録" does, shown without blocking.
    void openNew() {
        window.prepareNewRecipient();
        window.show();
    }

    // As the address list does for a stored recipient.
    void openStored(qint64 key, const QString& key2Text) {
        std::optional<RecipientRecord> record;
        RecipientDetails details;
        {
            UnitOfWork work(*dm);
            record = RecipientStore(*dm).read(key);
            details = DetailStore(*dm).read(key);
        }
        ASSERT_TRUE(record);
        window.showStoredRecipient(*record, details);
        window.Label17->setText(key2Text);
        window.show();
    }

    QString column(const QString& name, qint64 key = 1) const {
        auto reader = database.connect();
        reader->IBQuery1.Add("select " + name + " from MST_KOKYAKU where KEY1 = :KEY1");
        reader->IBQuery1.setInteger("KEY1", key);
        reader->IBQuery1.Open();
        const QString value = reader->IBQuery1.fieldString(0);
        reader->close();
        return value;
    }
    qint64 count(const QString& where = "1 = 1") const {
        return database.scalar("select count(*) from MST_KOKYAKU where " + where);
    }
    bool triggerActive() const {
        return database.scalar("select coalesce(RDB$TRIGGER_INACTIVE, 0) from RDB$TRIGGERS "
                               "where RDB$TRIGGER_NAME = 'TRG_ID'") == 0;
    }
    void registerNew(const QString& surname, const QString& reading) {
        openNew();
        window.Edit1->setText(surname);
        window.Edit11->setText(reading);
        QTest::mouseClick(window.Button2, Qt::LeftButton);
    }

    RecordedBoxes boxes;
    TestDatabase database;
    std::unique_ptr<TDM> dm;
    TK_touroku1 window;
};

class EntryWindowOnSchema112 : public EntryWindow {
protected:
    EntryWindowOnSchema112() : EntryWindow(SchemaOptions{true, {"1.1.2"}}) {}
};

class EntryWindowWithoutVersionTable : public EntryWindow {
protected:
    EntryWindowWithoutVersionTable() : EntryWindow(SchemaOptions{false, {}}) {}
};

} // namespace

TEST_F(EntryWindow, HasTheFormsControlsWhereTheyBelong) {
    EXPECT_EQ(window.windowTitle(), "宛名登録フォーム");
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    EXPECT_EQ(window.size(), QSize(1096, 511)); // the form and its 詳細 beside it
    EXPECT_EQ(window.Edit1->geometry(), QRect(106, 61, 103, 21));
    EXPECT_EQ(window.Edit11->geometry(), QRect(106, 96, 279, 21));
    EXPECT_EQ(window.Memo1->geometry(), QRect(106, 233, 553, 230));
    EXPECT_EQ(window.Button2->geometry(), QRect(506, 465, 75, 44));
    EXPECT_EQ(window.Edit5->maxLength(), 4);
    EXPECT_EQ(window.Edit6->maxLength(), 2);
    EXPECT_EQ(window.Edit1->maxLength(), 1000);
    EXPECT_EQ(window.findChild<QLabel*>("Panel17Label")->text(), "ふりがな");
    EXPECT_EQ(window.Label20->text(), "氏名・ふりがなは必ず入力してください。");
    openNew();
    EXPECT_FALSE(window.Label15->isVisible());
    EXPECT_FALSE(window.Label17->isVisible());
    EXPECT_FALSE(window.Edit2->isVisible());
    EXPECT_FALSE(window.RadioButton1->isVisible());
    EXPECT_TRUE(window.Edit1->isVisible());
    EXPECT_FALSE(dm->IBDatabase1.Connected());
}

TEST_F(EntryWindow, MenuPreparationClearsFieldsAndProposesToday) {
    window.Edit1->setText("残り");
    window.Memo1->setPlainText("残り");
    window.Label15->setText("5");
    openNew();
    const DateParts today = todayParts();
    EXPECT_EQ(window.Edit5->text(), today.year);
    EXPECT_EQ(window.Edit6->text(), today.month);
    EXPECT_EQ(window.Edit7->text(), today.day);
    EXPECT_TRUE(window.Edit1->text().isEmpty());
    EXPECT_TRUE(window.Memo1->toPlainText().isEmpty());
    EXPECT_EQ(window.Label15->text(), "Label15");
    EXPECT_EQ(window.Label17->text(), "Label17");
    EXPECT_TRUE(window.RadioButton1->isChecked());
    EXPECT_FALSE(window.Button4->isEnabled());
    EXPECT_TRUE(window.Edit9->isEnabled()); // schema 1.1.3
    EXPECT_TRUE(window.Edit9->text().isEmpty());
}

TEST_F(EntryWindow, RegisteringWithSurnameAndReadingOnlyStoresEmptyTextsAndClosesTheWindow) {
    registerNew("山田", "ヤマダ");
    EXPECT_EQ(boxes.texts(), QStringList{kNewDone});
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), QDialog::Accepted);
    ASSERT_EQ(count(), 1);
    EXPECT_EQ(column("NAMAE"), "山田");
    EXPECT_EQ(column("HURIGANA"), "ヤマダ");
    EXPECT_EQ(count("NAMAE2 = '' and YUBINNO = '' and JYUSYO = '' and MEMO = '' and TEL = '' and "
                    "RENMEI1 = ''"),
              1);
    EXPECT_EQ(column("IDNUM"), "0");
    EXPECT_EQ(column("SEIBETU"), "1");
    EXPECT_EQ(column("KEY2"), "1");
    const DateParts today = todayParts();
    EXPECT_EQ(column("YEAR1"), QString::number(today.year.toInt()));
    EXPECT_EQ(column("DAY1"), QString::number(today.day.toInt()));
    EXPECT_FALSE(column("LTIME").isEmpty());
    EXPECT_TRUE(triggerActive());
    EXPECT_FALSE(dm->IBDatabase1.Connected());
}

TEST_F(EntryWindow, NewRecipientGetsLargestKeyPlusOneAsSecondKey) {
    registerNew("一", "イチ");
    registerNew("二", "ニ");
    registerNew("三", "サン");
    EXPECT_EQ(column("KEY2", 3), "3");
    EXPECT_EQ(count(), 3);
}

TEST_F(EntryWindow, MissingSurnameOrReadingWritesNothingAndKeepsTheWindowOpen) {
    openNew();
    window.Edit1->setText("山田");
    window.Edit13->setText("花子");
    QTest::mouseClick(window.Button2, Qt::LeftButton);
    // The reading is offered for review, not stored.
    EXPECT_EQ(window.Edit11->text(), "ヤマダハナコ");
    EXPECT_EQ(window.Edit11->selectedText(), "ヤマダハナコ");
    EXPECT_EQ(count(), 0);
    window.Edit1->clear();
    window.Edit11->setText("ヤマダ");
    QTest::mouseClick(window.Button2, Qt::LeftButton);
    EXPECT_EQ(boxes.texts(), QStringList({"名前・フリガナを入力してください。",
                                          "名前・フリガナを入力してください。"}));
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.Edit11->text(), "ヤマダ");
    EXPECT_EQ(count(), 0);
    EXPECT_FALSE(dm->IBDatabase1.Connected());
}

TEST_F(EntryWindow, EditingTwiceKeepsTheKeyAndTheSecondKey) {
    registerNew("山田", "ヤマダ");
    database.execute("update MST_KOKYAKU set KEY2 = null, TEL = '03-1111' where KEY1 = 1");
    boxes.shown.clear();
    openStored(1, "");
    window.Edit1->setText("山田");
    window.Edit11->setText("ヤマダ");
    window.Edit4->setText("東京都港区");
    window.Edit5->setText("2025");
    window.Edit6->setText("1");
    window.Edit7->setText("2");
    window.Edit9->setText("03-2222");
    QTest::mouseClick(window.Button2, Qt::LeftButton);
    EXPECT_EQ(boxes.texts(), QStringList{kEditDone});
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(count(), 1);
    EXPECT_EQ(column("JYUSYO"), "東京都港区");
    EXPECT_EQ(count("KEY1 = 1 and KEY2 is null"), 1); // NULL stays NULL
    EXPECT_EQ(column("YEAR1"), "2025");
    EXPECT_EQ(column("TEL"), "03-2222");

    window.Label17->setText("7");
    window.Edit4->setText("大阪府");
    QTest::mouseClick(window.Button2, Qt::LeftButton);
    EXPECT_EQ(boxes.texts(), QStringList({kEditDone, kEditDone}));
    EXPECT_EQ(count(), 1);
    EXPECT_EQ(column("JYUSYO"), "大阪府");
    EXPECT_EQ(column("KEY2"), "7");
    EXPECT_TRUE(triggerActive());

    // A later new recipient still gets a fresh key from the trigger.
    registerNew("佐藤", "サトウ");
    EXPECT_EQ(count(), 2);
    EXPECT_EQ(count("KEY1 = 1 and NAMAE = '山田'"), 1);
}

TEST_F(EntryWindow, FailingEditLeavesTheStoredRecipientUntouched) {
    registerNew("山田", "ヤマダ");
    database.execute(
        "update MST_KOKYAKU set KEY2 = 9, TEL = '03-1111', MEMO = '元のメモ' where KEY1 = 1");
    // A server-side failure that the write itself meets.
    database.execute("create exception E_REFUSED 'refused by test'");
    database.execute("create trigger T_REFUSE for MST_KOKYAKU before update position 10 as begin "
                     "if (new.NAMAE = '失敗') then exception E_REFUSED; end");
    boxes.shown.clear();
    openStored(1, "9");
    window.Edit1->setText("失敗");
    window.Edit11->setText("シッパイ");
    window.Memo1->setPlainText("新しいメモ");
    QTest::mouseClick(window.Button2, Qt::LeftButton);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].kind, MessageService::Kind::Error);
    EXPECT_TRUE(boxes.shown[0].text.contains("refused by test"))
        << boxes.shown[0].text.toStdString();
    EXPECT_EQ(count(), 1);
    EXPECT_EQ(column("NAMAE"), "山田");
    EXPECT_EQ(column("MEMO"), "元のメモ");
    EXPECT_EQ(column("KEY2"), "9");
    EXPECT_EQ(column("TEL"), "03-1111");
    EXPECT_TRUE(triggerActive());
    EXPECT_TRUE(window.isVisible());
}

TEST_F(EntryWindow, ValuesThatCannotBeWrittenAreRefusedBeforeTheStoredRowIsTouched) {
    registerNew("山田", "ヤマダ");
    const std::function<void()> faults[] = {
        [&] { window.Edit5->setText("２０２６"); },         // full-width digits
        [&] { window.Edit7->clear(); },                     // empty day
        [&] { window.Edit4->setText("東京都①丁目"); },      // NEC special character
        [&] { window.Edit4->setText(QString(1001, 'x')); }, // longer than the column
    };
    for (const auto& fault : faults) {
        boxes.shown.clear();
        openStored(1, "1");
        window.Edit1->setText("山田");
        window.Edit11->setText("ヤマダ");
        window.Edit5->setText("2026");
        window.Edit6->setText("12");
        window.Edit7->setText("9");
        window.Edit4->clear();
        fault();
        QTest::mouseClick(window.Button2, Qt::LeftButton);
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].kind, MessageService::Kind::Error);
        EXPECT_EQ(count("KEY1 = 1 and NAMAE = '山田' and JYUSYO = ''"), 1);
        EXPECT_TRUE(triggerActive());
    }
}

TEST_F(EntryWindow, FullWidthYearInANewRecipientIsRefusedAndNothingIsWritten) {
    openNew();
    window.Edit1->setText("山田");
    window.Edit11->setText("ヤマダ");
    window.Edit5->setText("２０２６");
    QTest::mouseClick(window.Button2, Qt::LeftButton);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.shown[0].text.contains("２０２６"));
    EXPECT_TRUE(boxes.shown[0].text.contains("年"));
    EXPECT_EQ(count(), 0);
    EXPECT_TRUE(window.isVisible());
}

TEST_F(EntryWindow, DeleteAsksFirstAndThenSwitchesToANewRecipient) {
    registerNew("山田", "ヤマダ");
    boxes.shown.clear();
    openStored(1, "1");
    window.Edit1->setText("山田");
    window.Edit5->setText("2026");

    boxes.answer = QMessageBox::No;
    QTest::mouseClick(window.Button4, Qt::LeftButton);
    EXPECT_EQ(boxes.texts(), QStringList{"削除しますか？"});
    EXPECT_EQ(boxes.shown[0].kind, MessageService::Kind::Confirmation);
    EXPECT_EQ(count(), 1);
    EXPECT_EQ(window.Label15->text(), "1");

    boxes.answer = QMessageBox::Yes;
    QTest::mouseClick(window.Button4, Qt::LeftButton);
    EXPECT_EQ(count(), 0);
    EXPECT_EQ(boxes.texts().last(), "　　　　削除しました。　　　　");
    EXPECT_EQ(window.Label15->text(), "Label15");
    EXPECT_TRUE(window.Edit1->text().isEmpty());
    EXPECT_EQ(window.Edit5->text(), "2026");   // the date stays
    EXPECT_FALSE(window.Button4->isEnabled()); // nothing is left to delete
    EXPECT_FALSE(dm->IBDatabase1.Connected());

    window.Button4Click(); // by whatever route: still nothing to delete
    EXPECT_EQ(boxes.texts().last(), "指定されていません。");
}

TEST_F(EntryWindow, TelephoneFieldTakesOnlyDigitsAndHyphensAsTyped) {
    openNew();
    velta::test::typeText(window.Edit9, "03-1234 ab+()５6");
    EXPECT_EQ(window.Edit9->text(), "03-12346");
    QTest::keyClick(window.Edit9, Qt::Key_Backspace);
    EXPECT_EQ(window.Edit9->text(), "03-1234");
    // Text the program writes is not filtered.
    window.Edit9->setText("(03) 1234");
    EXPECT_EQ(window.Edit9->text(), "(03) 1234");
    // Other fields take anything.
    velta::test::typeText(window.Edit4, "a-1 ５");
    EXPECT_EQ(window.Edit4->text(), "a-1 ５");
}

TEST_F(EntryWindow, FieldsAskForTheirInputMethodModeOnFocus) {
    openNew();
    QApplication::setActiveWindow(&window);
    window.Edit13->setFocus();
    velta::test::RecordedImeRequests ime;
    for (QWidget* field : std::initializer_list<QWidget*>{
             window.Edit1, window.Edit5, window.Edit9, window.Edit10, window.Edit11, window.Edit4})
        field->setFocus();
    using Pair = std::pair<QString, QString>;
    const std::vector<Pair> expected = {
        {"Edit1", "mode:hiragana"},  {"Edit5", "mode:disabled"},
        {"Edit9", "mode:off"},       {"Edit11", "conversion:katakana"},
        {"Edit11", "mode:katakana"}, {"Edit11", "conversion:native"},
        {"Edit4", "mode:hiragana"},
    };
    EXPECT_EQ(ime.requests, expected);
    EXPECT_FALSE(window.Edit5->testAttribute(Qt::WA_InputMethodEnabled));
    EXPECT_FALSE(window.Edit3->testAttribute(Qt::WA_InputMethodEnabled));
    EXPECT_TRUE(window.Edit1->testAttribute(Qt::WA_InputMethodEnabled));
    EXPECT_EQ(InputMethodLayer::modeOf(window.Memo1), ImeMode::Unchanged);
}

TEST_F(EntryWindowOnSchema112, TelephoneIsDisabledAndItsPlaceholderNeverStored) {
    openNew();
    EXPECT_FALSE(window.Edit9->isEnabled());
    EXPECT_EQ(window.Edit9->text(), "使用できません。");
    window.Edit1->setText("山田");
    window.Edit11->setText("ヤマダ");
    QTest::mouseClick(window.Button2, Qt::LeftButton);
    EXPECT_EQ(column("TEL"), "");

    database.execute("update MST_KOKYAKU set TEL = '03-5555' where KEY1 = 1");
    openStored(1, "1");
    window.Edit1->setText("山田");
    window.Edit11->setText("ヤマダ");
    EXPECT_EQ(window.Edit9->text(), "使用できません。");
    QTest::mouseClick(window.Button2, Qt::LeftButton);
    EXPECT_EQ(column("TEL"), "03-5555");
}

TEST_F(EntryWindowWithoutVersionTable, TelephoneIsDisabledWithoutAVersionTable) {
    openNew();
    EXPECT_FALSE(window.Edit9->isEnabled());
    EXPECT_EQ(window.Edit9->text(), "使用できません。");
    // However the window is opened, the gate is applied when it is shown.
    window.hide();
    window.Edit9->setEnabled(true);
    window.Edit9->setText("03-1234");
    window.show();
    EXPECT_FALSE(window.Edit9->isEnabled());
    EXPECT_EQ(window.Edit9->text(), "使用できません。");
}

TEST_F(EntryWindow, BlankNamesAreNoNamesAndUneditedMemosKeepTheirLineBreaks) {
    openNew();
    window.Edit1->setText("　 ");
    window.Edit11->setText("ヤマダ");
    QTest::mouseClick(window.Button2, Qt::LeftButton);
    EXPECT_EQ(count(), 0);
    window.Edit1->setText("山田");
    window.Edit11->setText("  ");
    QTest::mouseClick(window.Button2, Qt::LeftButton);
    EXPECT_EQ(count(), 0);

    registerNew("山田", "ヤマダ");
    database.execute("update MST_KOKYAKU set MEMO = '一行目' || ascii_char(13) || ascii_char(10) "
                     "|| '二行目' where KEY1 = 1");
    openStored(1, "1");
    setMemoText(window.Memo1, "一行目\r\n二行目"); // as the address list fills it
    window.Edit1->setText("山田");
    window.Edit11->setText("ヤマダ");
    QTest::mouseClick(window.Button2, Qt::LeftButton);
    EXPECT_EQ(column("MEMO"), "一行目\r\n二行目");
    window.Memo1->appendPlainText("三行目");
    QTest::mouseClick(window.Button2, Qt::LeftButton);
    EXPECT_EQ(column("MEMO"), "一行目\r\n二行目\r\n三行目");
}

TEST_F(EntryWindow, CloseButtonAnnouncesItselfAndClosesWithoutWriting) {
    openNew();
    window.Edit1->setText("山田");
    window.Edit11->setText("ヤマダ");
    int announced = 0;
    QObject::connect(&window, &TK_touroku1::closeButtonPressed, [&] { ++announced; });
    QTest::mouseClick(window.Button1, Qt::LeftButton);
    EXPECT_EQ(announced, 1);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(count(), 0);
}

using velta::test::typeThroughMozc;

TEST_F(EntryWindow, ReadingFillsItselfFromTheKanaTypedIntoTheNamesUnlessTypedByTheUser) {
    openNew();
    typeThroughMozc(window.Edit1, {"ｙ", "や", "やｍ", "やま", "やまｄ", "やまだ", "山田"}, "山田");
    EXPECT_EQ(window.Edit1->text(), "山田");
    EXPECT_EQ(window.Edit11->text(), "ヤマダ");
    typeThroughMozc(window.Edit13, {"ｔ", "た", "たｒ", "たろ", "たろう", "太郎"}, "太郎");
    EXPECT_EQ(window.Edit11->text(), "ヤマダ タロウ");
    QTest::mouseClick(window.Button2, Qt::LeftButton);
    EXPECT_EQ(column("NAMAE"), "山田");
    EXPECT_EQ(column("HURIGANA"), "ヤマダ タロウ");

    // A name changed inside (山田 → 山 → 山本) no longer fills the reading: its kana would not
    // be the name's.
    openNew();
    typeThroughMozc(window.Edit1, {"や", "やまだ", "山田"}, "山田");
    window.Edit1->backspace();
    typeThroughMozc(window.Edit1, {"も", "もと", "本"}, "本");
    EXPECT_EQ(window.Edit1->text(), "山本");
    EXPECT_EQ(window.Edit11->text(), "ヤマダ"); // left as it was, for the user to correct

    // A reading of the user's own is never replaced.
    openNew();
    window.Edit11->setText("ヤマダ　タロー");
    typeThroughMozc(window.Edit1, {"や", "やま", "やまだ", "山田"}, "山田");
    EXPECT_EQ(window.Edit11->text(), "ヤマダ　タロー");
}

TEST_F(EntryWindow, WhatAnInputMethodCommitsIsKeptInEachFieldsFormNeverDroppedSilently) {
    openNew();
    // The reading field holds katakana whatever mode the engine is in.
    typeThroughMozc(window.Edit11, {"や", "やまだ"}, "やまだ");
    EXPECT_EQ(window.Edit11->text(), "ヤマダ");
    typeThroughMozc(window.Edit1, {}, "山田");
    // Digit fields take full-width digits and hyphen-like marks as the field's own.
    typeThroughMozc(window.Edit3, {"１５０", "１５００００２"}, "１５００００２");
    EXPECT_EQ(window.Edit3->text(), "1500002");
    typeThroughMozc(window.Edit9, {"０３ー１２３４ー５６７８"}, "０３ー１２３４ー５６７８");
    EXPECT_EQ(window.Edit9->text(), "03-1234-5678");
    window.Edit5->clear();
    typeThroughMozc(window.Edit5, {"２０２６"}, "２０２６");
    EXPECT_EQ(window.Edit5->text(), "2026");
    QTest::mouseClick(window.Button2, Qt::LeftButton);
    EXPECT_EQ(column("YUBINNO"), "1500002");
    EXPECT_EQ(column("TEL"), "03-1234-5678");
    EXPECT_EQ(column("YEAR1"), "2026");
    EXPECT_EQ(column("HURIGANA"), "ヤマダ");

    // A character the telephone field cannot take is named at the field, the rest kept.
    openNew();
    typeThroughMozc(window.Edit9, {}, "０３（内線）");
    EXPECT_EQ(window.Edit9->text(), "03");
    EXPECT_TRUE(QToolTip::text().contains("（内線）")) << QToolTip::text().toStdString();
}

namespace {

RecipientDetails storedDetails(TDM& dm, qint64 key) {
    UnitOfWork work(dm);
    return DetailStore(dm).read(key);
}

QCheckBox* groupBox(const RecipientDetailsPanel& panel, const QString& name) {
    for (QCheckBox* box : panel.groupBoxes)
        if (box->text() == name)
            return box;
    return nullptr;
}

} // namespace

TEST_F(EntryWindow, DetailsAreStoredWithTheRecipientShownAgainAndDeletedWithIt) {
    openNew();
    RecipientDetailsPanel& details = *window.Details;
    EXPECT_EQ(details.ComboHonorific->currentText(), "様");
    EXPECT_EQ(details.SpinMarkYear->value(), greetingYear(QDate::currentDate()));
    ASSERT_NE(groupBox(details, "友人"), nullptr); // a new book's groups, before any table exists
    window.Edit1->setText("山田");
    window.Edit11->setText("ヤマダ");
    window.Edit8->setText("花子");
    EXPECT_EQ(details.jointNames[0]->text(), "花子"); // the row of 連名1 reads whole
    details.ComboHonorific->setCurrentText("先生");
    details.EditCompany->setText("山田医院");
    details.EditTitle->setText("院長");
    details.jointNames[2]->setText("三郎");
    details.jointHonorifics[2]->setCurrentText("くん");
    details.jointReadings[0]->setText("ハナコ");
    groupBox(details, "友人")->setChecked(true);
    details.EditNewGroup->setText("ゴルフ仲間");
    QTest::mouseClick(details.ButtonAddGroup, Qt::LeftButton);
    details.SpinMarkYear->setValue(2027);
    details.CheckMourning->setChecked(true);
    details.EditMourningNote->setText("祖父");
    details.SpinMarkYear->setValue(2026); // another year's marks, the first kept
    details.CheckNengaSent->setChecked(true);
    QTest::mouseClick(window.Button2, Qt::LeftButton);
    EXPECT_EQ(boxes.texts(), QStringList{kNewDone});

    RecipientDetails expected;
    expected.honorific = "先生";
    expected.company = "山田医院";
    expected.title = "院長";
    expected.moreJointNames[0] = "三郎";
    expected.joints[2].honorific = "くん";
    expected.joints[0].reading = "ハナコ";
    expected.groups = {"ゴルフ仲間", "友人"};
    expected.setMarks({2026, true, false, false, false, false, {}});
    expected.setMarks({2027, false, false, false, false, true, "祖父"});
    EXPECT_EQ(storedDetails(*dm, 1), expected);
    EXPECT_EQ(count("KEY1 = 1 and NAMAE = '山田' and RENMEI1 = '花子'"), 1);

    openStored(1, "");
    EXPECT_EQ(details.ComboHonorific->currentText(), "先生");
    EXPECT_EQ(details.jointNames[2]->text(), "三郎");
    EXPECT_TRUE(groupBox(details, "ゴルフ仲間")->isChecked()); // in every list from now on
    details.SpinMarkYear->setValue(2027);
    EXPECT_TRUE(details.CheckMourning->isChecked());
    EXPECT_EQ(details.EditMourningNote->text(), "祖父");
    details.ComboHonorific->setCurrentText("（なし）");
    QTest::mouseClick(window.Button2, Qt::LeftButton);
    expected.honorific = "";
    EXPECT_EQ(storedDetails(*dm, 1), expected);

    // Another program marks the recipient meanwhile: this window's save would undo it.
    database.execute("update VELTA_YEAR_MARK set NENGA_RECEIVED = 1 where CARD_YEAR = 2027");
    boxes.shown.clear();
    details.EditCompany->setText("上書き");
    QTest::mouseClick(window.Button2, Qt::LeftButton);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.shown[0].text.contains("詳細は、開いた後に"))
        << boxes.shown[0].text.toStdString();
    EXPECT_EQ(storedDetails(*dm, 1).company, "山田医院");

    QTest::mouseClick(window.Button4, Qt::LeftButton);
    EXPECT_EQ(count(), 0);
    for (const char* table : {"VELTA_DETAIL", "VELTA_GROUP_MEMBER", "VELTA_YEAR_MARK"})
        EXPECT_EQ(database.scalar(QString("select count(*) from %1").arg(table)), 0) << table;
    EXPECT_EQ(details.ComboHonorific->currentText(), "様");
}

TEST_F(EntryWindow, ARecipientWithoutDetailsLeavesAnOlderBookWithoutTheirTables) {
    registerNew("山田", "ヤマダ");
    EXPECT_EQ(count(), 1);
    EXPECT_EQ(database.scalar("select count(*) from RDB$RELATIONS where RDB$RELATION_NAME "
                              "starting with 'VELTA_'"),
              0);
}
