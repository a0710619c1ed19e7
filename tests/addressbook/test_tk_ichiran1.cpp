#include "detail_store.h"
#include "dm.h"
#include "reading_order.h"
#include "received_entry.h"
#include "recipient_filter_bar.h"
#include "recorded_boxes.h"
#include "string_grid.h"
#include "test_database.h"
#include "tk_ichiran1.h"
#include "tk_touroku1.h"
#include "when_shown.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace velta;
using velta::test::RecordedBoxes;
using velta::test::TestDatabase;

namespace {

class ListWindow : public ::testing::Test {
protected:
    ListWindow() : dm(database.connect()), entry(*dm), list(*dm, entry) {
        list.prepare();
        list.show();
    }

    // Inserts a recipient through SQL (KEY1 from the trigger); NULL where a value is null.
    void add(const char* surname, const char* reading, const char* address1 = "東京都",
             const char* memo = "メモ", const char* address2 = nullptr) {
        TIBQuery& q = dm->IBQuery1;
        q.Clear();
        q.Add("insert into MST_KOKYAKU (KEY1, NAMAE, NAMAE2, HURIGANA, JYUSYO, JYUSYO2, MEMO, "
              "YUBINNO, TEL, "
              "YEAR1, MONTH1, DAY1, SEIBETU, IDNUM, KEY2)");
        q.Add("values (0, :N, '名', :H, :J, :J2, :M, '1000001', '03-1', 2026, 12, 9, 2, 5, 3)");
        q.setValue("N", surname ? ParamValue(QString::fromUtf8(surname)) : ParamValue());
        q.setValue("H", reading ? ParamValue(QString::fromUtf8(reading)) : ParamValue());
        q.setValue("J", address1 ? ParamValue(QString::fromUtf8(address1)) : ParamValue());
        q.setValue("J2", address2 ? ParamValue(QString::fromUtf8(address2)) : ParamValue());
        q.setValue("M", memo ? ParamValue(QString::fromUtf8(memo)) : ParamValue());
        q.ExecSQL();
        dm->close();
    }
    QStringList surnames() const {
        QStringList result;
        for (int r = 1; r < list.SGrid1->RowCount(); ++r)
            if (!list.SGrid1->cell(0, r).isEmpty())
                result.append(list.SGrid1->cell(2, r));
        return result;
    }
    QStringList search(QRadioButton* mode, const QString& text) {
        mode->setChecked(true);
        list.Edit1->setText(text);
        QTest::mouseClick(list.Button4, Qt::LeftButton);
        return surnames();
    }
    // Double-clicks a cell as the user does.
    void doubleClick(int column, int row) {
        const QRect cell = list.SGrid1->visualRect(list.SGrid1->model()->index(row, column));
        QTest::mouseClick(list.SGrid1->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(list.SGrid1->viewport(), Qt::LeftButton, {}, cell.center());
    }

    RecordedBoxes boxes;
    TestDatabase database;
    std::unique_ptr<TDM> dm;
    TK_touroku1 entry;
    TK_ichiran1 list;
};

} // namespace

TEST_F(ListWindow, VisitLaysOutTheGrid) {
    EXPECT_EQ(list.windowTitle(), "宛名一覧");
    EXPECT_EQ(list.size(), QSize(784, 495)); // the form and the filters below it
    EXPECT_EQ(list.SGrid1->geometry(), QRect(11, 44, 758, 361));
    EXPECT_EQ(list.SGrid1->ColCount(), 12);
    EXPECT_EQ(list.SGrid1->RowCount(), 17);
    EXPECT_EQ(list.SGrid1->FixedCols(), 2);
    EXPECT_EQ(list.SGrid1->rowCells(0),
              QStringList({"KEY", "MKEY", "姓（苗字）", "名（名前）", "ふりがな", "郵便番号",
                           "住所1", "住所2", "メモ", "TEL", "グループ", "出・受・喪中"}));
    EXPECT_EQ(list.SGrid1->columnWidth(0), 1);
    EXPECT_EQ(list.SGrid1->columnWidth(6), 280);
    EXPECT_EQ(list.SGrid1->columnWidth(9), 171);
    EXPECT_TRUE(list.RadioButton1->isChecked());
}

TEST_F(ListWindow, EmptyTableLeaves36RowsAfterAListingAnd30AfterASearch) {
    QTest::mouseClick(list.Button2, Qt::LeftButton);
    EXPECT_EQ(list.SGrid1->RowCount(), 36);
    EXPECT_TRUE(surnames().isEmpty());
    EXPECT_EQ(list.SGrid1->FixedCols(), 1);
    EXPECT_FALSE(dm->IBDatabase1.Connected());
    search(list.RadioButton1, "");
    EXPECT_EQ(list.SGrid1->RowCount(), 30);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(ListWindow, CancelledListingOrSearchLeavesTheListAsItWas) {
    add("田中", "たなか");
    add("阿部", "あべ");
    QTest::mouseClick(list.Button2, Qt::LeftButton);
    const int rows = list.SGrid1->RowCount();
    ASSERT_EQ(surnames(), QStringList({"阿部", "田中"}));
    add("佐藤", "さとう");
    {
        velta::test::PressCancel cancel;
        QTest::mouseClick(list.Button2, Qt::LeftButton);
        EXPECT_TRUE(cancel.pressed());
    }
    EXPECT_EQ(surnames(), QStringList({"阿部", "田中"}));
    EXPECT_EQ(list.SGrid1->RowCount(), rows);
    {
        velta::test::PressCancel cancel;
        EXPECT_EQ(search(list.RadioButton1, "佐"), QStringList({"阿部", "田中"}));
        EXPECT_TRUE(cancel.pressed());
    }
    // Not cancelled, the same buttons read everything.
    QTest::mouseClick(list.Button2, Qt::LeftButton);
    EXPECT_EQ(surnames(), QStringList({"阿部", "佐藤", "田中"}));
}

TEST_F(ListWindow, ListingOrdersByReadingAndDropsRowsWithoutReadingOrSurname) {
    add("田中", "たなか");
    add("阿部", "あべ");
    add("読みなし", "");
    add(nullptr, "なまえなし");
    add("", "から");
    add("Smith", "smith");
    add("SMITH", "SMITH");
    add("佐藤", "さとう");
    add("佐藤二", "さとう");
    database.execute("delete from MST_KOKYAKU where NAMAE = '阿部'"); // a gap among the keys
    add("阿部", "あべ");
    QTest::mouseClick(list.Button2, Qt::LeftButton);
    const QStringList shown = surnames();
    ASSERT_EQ(shown.size(), 6);
    // Latin readings equal but for case sit together; kana follow in gojūon order.
    EXPECT_TRUE((shown.mid(0, 2) == QStringList{"Smith", "SMITH"}) ||
                (shown.mid(0, 2) == QStringList{"SMITH", "Smith"}));
    EXPECT_EQ(shown[2], "阿部");
    EXPECT_TRUE(shown[3].startsWith("佐藤") && shown[4].startsWith("佐藤"));
    EXPECT_EQ(shown[5], "田中");
    EXPECT_EQ(list.SGrid1->RowCount(), 2 * (18 + 7)); // 7 rows had a surname
    EXPECT_EQ(list.SGrid1->rowCells(3).mid(2, 8),
              QStringList({"阿部", "名", "あべ", "1000001", "東京都", "", "メモ", "03-1"}));
    EXPECT_EQ(list.SGrid1->cell(1, 3), "");
    EXPECT_EQ(compareReadings("smith", "SMITH"), 0);
}

TEST_F(ListWindow, SearchesMatchTheirColumnWithWildcardsAndNeverANullColumn) {
    add("山田", "やまだ", "東京都港区", "年賀状", "ビル1");
    add("山本", "やまもと", "大阪府", "喪中", nullptr);
    add("川口", "かわぐち", nullptr, nullptr, "ビル2");
    add("100%", "ひゃく", "京都府", "メモ");
    EXPECT_EQ(search(list.RadioButton1, "山"), QStringList({"山田", "山本"}));
    EXPECT_EQ(list.SGrid1->RowCount(), 30);
    EXPECT_EQ(search(list.RadioButton1, ""), QStringList({"川口", "100%", "山田", "山本"}));
    EXPECT_EQ(search(list.RadioButton1, "山_"), QStringList({"山田", "山本"}));
    EXPECT_EQ(search(list.RadioButton1, "0%"), QStringList({"100%"}));
    EXPECT_EQ(search(list.RadioButton2, "%都%"), QStringList({"100%", "山田"}));
    EXPECT_EQ(search(list.RadioButton2, ""),
              QStringList({"100%", "山田", "山本"})); // NULL address never matches
    EXPECT_EQ(search(list.RadioButton4, "ビル"), QStringList({"川口", "山田"}));
    EXPECT_EQ(search(list.RadioButton3, "喪"), QStringList({"山本"}));
    EXPECT_EQ(search(list.RadioButton3, ""), QStringList({"100%", "山田", "山本"}));
    EXPECT_EQ(list.SGrid1->FixedCols(), 1);
}

TEST_F(ListWindow, DoubleClickOnHeaderFixedColumnOrBlankRowDoesNothing) {
    add("山田", "やまだ");
    QTest::mouseClick(list.Button2, Qt::LeftButton);
    bool opened = false;
    QTimer::singleShot(0, &entry, [&] {
        opened = entry.isVisible();
        entry.reject();
    });
    doubleClick(3, 0); // header
    doubleClick(0, 1); // the fixed KEY column
    doubleClick(3, 5); // blank row
    EXPECT_FALSE(opened);
    EXPECT_EQ(entry.Label15->text(), "Label15");
}

TEST_F(ListWindow, DoubleClickOpensTheRecipientInStoredModeAndCloseRefillsTheList) {
    add("山田", "やまだ");
    add("佐藤", "さとう");
    QTest::mouseClick(list.Button2, Qt::LeftButton);
    ASSERT_EQ(list.SGrid1->cell(2, 2), "山田");
    const QString key = list.SGrid1->cell(0, 2);
    bool opened = false;
    QTimer::singleShot(0, &entry, [&] {
        opened = entry.isVisible();
        EXPECT_EQ(entry.Label15->text(), key);
        EXPECT_EQ(entry.Label17->text(), "3");
        EXPECT_EQ(entry.Edit1->text(), "山田");
        EXPECT_EQ(entry.Edit13->text(), "名");
        EXPECT_EQ(entry.Edit11->text(), "やまだ");
        EXPECT_EQ(entry.Edit2->text(), "5");
        EXPECT_EQ(entry.Edit3->text(), "1000001");
        EXPECT_EQ(entry.Edit4->text(), "東京都");
        EXPECT_EQ(entry.Edit9->text(), "03-1");
        EXPECT_EQ(entry.Memo1->toPlainText(), "メモ");
        EXPECT_EQ(entry.Edit5->text(), "2026");
        EXPECT_EQ(entry.Edit6->text(), "12");
        EXPECT_EQ(entry.Edit7->text(), "9");
        EXPECT_TRUE(entry.RadioButton2->isChecked()); // SEIBETU 2
        EXPECT_TRUE(entry.Button4->isEnabled());
        // Edit: the reading changes, so the order does.
        entry.Edit11->setText("あやまだ");
        QTest::mouseClick(entry.Button2, Qt::LeftButton);
        QTest::mouseClick(entry.Button1, Qt::LeftButton);
    });
    doubleClick(3, 2);
    EXPECT_TRUE(opened);
    EXPECT_EQ(surnames(), QStringList({"山田", "佐藤"}));
    EXPECT_EQ(list.SGrid1->RowCount(), 17);
    EXPECT_EQ(list.SGrid1->cell(0, 1), key);
    EXPECT_EQ(boxes.texts(), QStringList{"　　編集が完了しました。　　"});
}

TEST_F(ListWindow, DeleteInTheEntryWindowThenCloseListsTheRecipientsThatRemain) {
    add("佐藤", "さとう");
    add("山田", "やまだ");
    QTest::mouseClick(list.Button2, Qt::LeftButton);
    QTimer::singleShot(0, &entry, [&] {
        QTest::mouseClick(entry.Button4, Qt::LeftButton); // answered Yes
        QTest::mouseClick(entry.Button1, Qt::LeftButton);
    });
    doubleClick(3, 2);
    EXPECT_EQ(surnames(), QStringList{"佐藤"});
    EXPECT_EQ(list.SGrid1->rowCells(0)[2], "姓（苗字）");
    EXPECT_EQ(database.scalar("select count(*) from MST_KOKYAKU"), 1);
}

TEST(StringGrid, FixedRowStaysOnScreenWhenTenThousandRowsAreScrolledToTheEnd) {
    TStringGrid grid;
    grid.resize(400, 300);
    grid.setColCount(3);
    grid.setRowCount(10001);
    grid.setRowCells(0, {"KEY", "", "姓（苗字）"});
    for (int r = 1; r <= 10000; ++r)
        grid.setRowCells(r, {QString::number(r), "", QString("山田%1").arg(r)});
    grid.show();
    grid.scrollToBottom();
    QCoreApplication::processEvents();
    const QModelIndex top = grid.indexAt(QPoint(5, 5));
    EXPECT_GT(top.row(), 9000); // the data rows scrolled
    auto* fixed = grid.findChild<QTableView*>();
    ASSERT_NE(fixed, nullptr);
    EXPECT_TRUE(fixed->isVisible());
    EXPECT_EQ(fixed->indexAt(QPoint(5, 5)).row(), 0); // the header row is what shows on top
    EXPECT_LE(fixed->geometry().top(), grid.frameWidth());
    EXPECT_EQ(fixed->model()->index(0, 2).data().toString(), "姓（苗字）");
}

TEST_F(ListWindow, RowOfADeletedRecipientDoesNotOpenTheEntryWindow) {
    add("山田", "やまだ");
    add("佐藤", "さとう");
    QTest::mouseClick(list.Button2, Qt::LeftButton);
    database.execute("delete from MST_KOKYAKU where NAMAE = '山田'");
    entry.Label15->setText("Label15");
    bool opened = false;
    QTimer::singleShot(0, &entry, [&] {
        opened = entry.isVisible();
        entry.reject();
    });
    doubleClick(3, 2);
    EXPECT_FALSE(opened);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.shown[0].text.contains("見つかりませんでした"));
    EXPECT_EQ(entry.Label15->text(), "Label15"); // no key of another recipient
    EXPECT_FALSE(dm->IBDatabase1.Connected());
}

TEST_F(ListWindow, ARecipientWithoutADateOpensAsAnyOther) {
    // As an older import stored them: NULL in YEAR1, MONTH1 and DAY1.
    database.execute(
        "insert into MST_KOKYAKU (KEY1, NAMAE, HURIGANA) values (0, '田中', 'たなか')");
    QTest::mouseClick(list.Button2, Qt::LeftButton);
    ASSERT_EQ(list.SGrid1->cell(2, 1), "田中");
    bool opened = false;
    QTimer::singleShot(0, &entry, [&] {
        opened = entry.isVisible();
        EXPECT_EQ(entry.Edit1->text(), "田中");
        entry.reject();
    });
    doubleClick(3, 1);
    EXPECT_TRUE(opened);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(ListWindow, ReopeningKeepsThePreviousRowsWithAnEmptySearch) {
    add("山田", "やまだ");
    search(list.RadioButton3, "メ");
    list.prepare();
    EXPECT_TRUE(list.Edit1->text().isEmpty());
    EXPECT_TRUE(list.RadioButton1->isChecked());
    EXPECT_EQ(list.SGrid1->RowCount(), 17);
    EXPECT_EQ(surnames(), QStringList{"山田"});
}

TEST_F(ListWindow, GroupAndYearFiltersChooseTheRowsAndTheGridShowsGroupsAndMarks) {
    add("相田", "あいだ");
    add("井上", "いのうえ");
    add("上野", "うえの");
    ensureDetailTables(*dm);
    {
        UnitOfWork work(*dm);
        DetailStore store(*dm);
        RecipientDetails mourning;
        mourning.groups = {"親戚", "友人"};
        mourning.setMarks({2027, false, false, false, false, true, "祖母"});
        store.write(2, mourning);
        RecipientDetails received;
        received.setMarks({2027, false, true, false, false, false, {}});
        store.write(3, received);
        work.commit();
    }
    list.prepare();
    list.FilterBar->SpinFilterYear->setValue(2027);
    QTest::mouseClick(list.Button2, Qt::LeftButton);
    EXPECT_EQ(surnames(), QStringList({"相田", "井上", "上野"}));
    EXPECT_EQ(list.SGrid1->rowCells(2).mid(10), QStringList({"友人、親戚", "喪中"}));
    list.FilterBar->CheckSkipMourning->setChecked(true);
    EXPECT_EQ(search(list.RadioButton1, ""), QStringList({"相田", "上野"}));
    list.FilterBar->CheckSkipMourning->setChecked(false);
    list.FilterBar->CheckReceivedUnsent->setChecked(true);
    QTest::mouseClick(list.Button2, Qt::LeftButton);
    EXPECT_EQ(surnames(), QStringList({"上野"}));
    list.FilterBar->CheckReceivedUnsent->setChecked(false);
    list.FilterBar->ComboGroup->setCurrentText("友人");
    QTest::mouseClick(list.Button2, Qt::LeftButton);
    EXPECT_EQ(surnames(), QStringList({"井上"}));
}

TEST_F(ListWindow, ReceivedCardsAreMarkedByTypingTheReadingAndTheLastMarkCanBeTakenBack) {
    add("山田", "やまだ");
    add("山本", "やまもと");
    add("佐藤", "さとう");
    EXPECT_EQ(matchingRecipients({}, "ヤマ"), QList<RecipientRecord>());
    ReceivedEntryDialog entry(*dm, 2027);
    entry.show();
    // Katakana, hiragana or half-width: the same reading.
    for (const QString typed : {"ﾔﾏﾓ", "やまも", "ヤマモ"}) {
        entry.EditReading->setText(typed);
        ASSERT_EQ(entry.ListMatches->count(), 1) << typed.toStdString();
        EXPECT_TRUE(entry.ListMatches->item(0)->text().contains("山本"));
    }
    QTest::keyClick(entry.EditReading, Qt::Key_Return);
    EXPECT_TRUE(entry.EditReading->text().isEmpty()); // ready for the next card
    EXPECT_TRUE(entry.LabelDone->text().startsWith("山本 名 様: 2027 年の年賀状「受」"))
        << entry.LabelDone->text().toStdString();
    entry.EditReading->setText("やま");
    EXPECT_EQ(entry.ListMatches->count(), 2);
    entry.ListMatches->setCurrentRow(0); // 山田
    QTest::mouseClick(entry.ButtonMark, Qt::LeftButton);
    auto received = [&](qint64 key) {
        UnitOfWork work(*dm);
        return DetailStore(*dm).read(key).marksFor(2027).nengaReceived;
    };
    EXPECT_TRUE(received(1));
    EXPECT_TRUE(received(2));
    EXPECT_FALSE(received(3));
    QTest::mouseClick(entry.ButtonUndo, Qt::LeftButton);
    EXPECT_FALSE(received(1)); // the last one only
    EXPECT_TRUE(received(2));
    EXPECT_FALSE(entry.ButtonUndo->isEnabled());
    entry.EditReading->setText("わ");
    QTest::keyClick(entry.EditReading, Qt::Key_Return);
    EXPECT_EQ(entry.LabelDone->text(), "該当する宛名がありません。");
}
