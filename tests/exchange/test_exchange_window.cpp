#include "cp932.h"
#include "import_dialog.h"
#include "recorded_boxes.h"
#include "test_database.h"
#include "test_files.h"
#include "tmenu1.h"
#include "tools_menu.h"
#include "when_shown.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

using namespace velta;
using velta::test::TestDatabase;
using velta::test::writeFile;

namespace {

// Does `act` on the import dialog as soon as it opens.
using OnImportDialog = velta::test::WhenShown<ImportDialog>;

const QByteArray kPhoneCsv =
    cp932::encode("姓,名,セイ,メイ,郵便番号,住所,勤務先住所\r\n"
                  "山田,太郎,ヤマダ,タロウ,1000005,東京都千代田区丸の内1-1,山田商事\r\n"
                  "佐藤,花子,サトウ,ハナコ,5300001,大阪府大阪市北区梅田3-1-1,\r\n",
                  "test");

// The program's main window over a book of its own, its message boxes answered.
class ImportWindow : public ::testing::Test {
protected:
    TestDatabase database;
    std::unique_ptr<TDM> dm = database.connect();
    Tmenu1 menu{*dm};
    velta::test::RecordedBoxes boxes;
    QTemporaryDir folder;
};

} // namespace

TEST_F(ImportWindow, ShowsTheColumnsAndFirstRowsAndImportsAsMapped) {
    const QString file = writeFile(folder, "phone.csv", kPhoneCsv);
    OnImportDialog look([](ImportDialog& dialog) {
        EXPECT_EQ(dialog.preview->rowCount(), 3); // the targets and two rows
        EXPECT_EQ(dialog.preview->item(1, 0)->text(), "山田");
        EXPECT_EQ(dialog.targetBoxes[2]->currentText(), "ふりがな（姓）");
        EXPECT_EQ(dialog.targetBoxes[6]->currentText(), "取り込まない"); // 勤務先住所
        // The user sends it to 住所2.
        dialog.targetBoxes[6]->setCurrentIndex(dialog.targetBoxes[6]->findText("住所2"));
        dialog.accept();
    });
    menu.tools->importBook(file);
    EXPECT_TRUE(look.seen);
    ASSERT_FALSE(boxes.shown.empty());
    EXPECT_EQ(boxes.shown.back().text, "2 件の宛名を取り込みました。");
    EXPECT_EQ(database.scalar("select count(*) from MST_KOKYAKU where HURIGANA = 'ヤマダタロウ' "
                              "and JYUSYO2 = '山田商事' and YUBINNO = '1000005'"),
              1);

    OnImportDialog cancel([](ImportDialog& dialog) { dialog.reject(); });
    menu.tools->importBook(file);
    EXPECT_EQ(database.scalar("select count(*) from MST_KOKYAKU"), 2);
}

TEST_F(ImportWindow, ALargeFileIsReadBesideTheWindowAndCanBeStoppedAtOnce) {
    QByteArray big = "姓,ふりがな,住所\n";
    for (int i = 0; i < 300000; ++i)
        big += "山田" + QByteArray::number(i) + ",やまだ,東京都千代田区丸の内一丁目一番一号\n";
    const QString file = writeFile(folder, "big.csv", big);
    // 中止 in the progress window while the file is read: no import window, nothing stored,
    // and the window answered all along (the progress window could not show otherwise).
    OnImportDialog never([](ImportDialog& dialog) { dialog.reject(); });
    {
        velta::test::PressCancel cancel;
        menu.tools->importBook(file);
        EXPECT_TRUE(cancel.pressed());
    }
    EXPECT_FALSE(never.seen);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(database.scalar("select count(*) from MST_KOKYAKU"), 0);
}

TEST_F(ImportWindow, RowsThatCannotBeStoredAreNamedFirstAndNoImportsNothing) {
    const QString file = writeFile(folder, "phone.csv", kPhoneCsv + "鈴木,,,,,,\r\n");
    boxes.answer = QMessageBox::No;
    {
        OnImportDialog accept([](ImportDialog& dialog) { dialog.accept(); });
        menu.tools->importBook(file);
    }
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].kind, MessageService::Kind::Confirmation);
    EXPECT_TRUE(
        boxes.shown[0].text.startsWith("次の 1 行は取り込めません。残りの 2 件を取り込みますか？"))
        << boxes.shown[0].text.toStdString();
    EXPECT_TRUE(boxes.shown[0].text.contains("4 行目: ふりがながありません"));
    EXPECT_EQ(database.scalar("select count(*) from MST_KOKYAKU"), 0);
    boxes.answer = QMessageBox::Yes;
    {
        OnImportDialog accept([](ImportDialog& dialog) { dialog.accept(); });
        menu.tools->importBook(file);
    }
    EXPECT_TRUE(boxes.shown.back().text.startsWith("2 件の宛名を取り込みました。"));
    EXPECT_EQ(database.scalar("select count(*) from MST_KOKYAKU"), 2);
}

TEST_F(ImportWindow, TheToolsMenuCopiesTheBookIntoANewUtf8DatabaseOnce) {
    database.execute(
        "insert into MST_KOKYAKU (KEY1, NAMAE, HURIGANA) values (0, '山田', 'やまだ')");
    const QString target = folder.filePath("DATA_UTF8.GDB");
    menu.tools->copyToUtf8(target);
    ASSERT_FALSE(boxes.shown.empty());
    EXPECT_TRUE(boxes.shown.back().text.startsWith("1 件の宛名と差出人を"))
        << boxes.shown.back().text.toStdString();
    TDM copy(target, true);
    EXPECT_EQ(readString(copy, "select trim(RDB$CHARACTER_SET_NAME) as C from RDB$DATABASE", "C"),
              "UTF8");
    copy.close();
    menu.tools->copyToUtf8(target); // never over a file that is there
    EXPECT_TRUE(boxes.shown.back().text.contains("すでにあります"))
        << boxes.shown.back().text.toStdString();
}

TEST(VeltaBook, ExportsAndImportsFromTheCommandLine) {
    QTemporaryDir work;
    velta::test::makeWorkingFolder(work.path());
    auto run = [&](const QStringList& arguments, QString* out = nullptr) {
        return velta::test::runTool(VELTA_BOOK_PATH, work, arguments, out);
    };
    QString out;
    writeFile(work, "phone.csv", kPhoneCsv + cp932::encode("鈴木,,,,,,\r\n", "test"));
    EXPECT_EQ(run({"import", "phone.csv"}, &out), 0);
    EXPECT_EQ(out, "2 件の宛名を取り込みました。\n取り込まなかった行（1 行）:\n4 行目: "
                   "ふりがながありません（宛名一覧にもハガキ作成にも出ません）。推定した読み: "
                   "スズキ\n取り込まなかった列: 勤務先住所\n");
    EXPECT_EQ(run({"export", "--encoding", "cp932", "out.csv"}, &out), 0);
    EXPECT_EQ(out, "2 件の宛名を out.csv に書き出しました。\n");
    QFile written(work.filePath("out.csv"));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_TRUE(cp932::decode(written.readAll()).contains("\"山田\",\"太郎\",\"ヤマダタロウ\""));
    EXPECT_EQ(run({"export", "--encoding", "latin1", "out.csv"}), 2);
    EXPECT_EQ(run({"import"}), 2);
    EXPECT_EQ(run({"import", "missing.csv"}), 1);
}

TEST_F(ImportWindow, ReadingsSuggestedForRowsWithoutThemAreShownBeforeAnythingIsStored) {
    // Google Contacts' current layout as a phone's contacts give it: no phonetic names.
    const QString file = writeFile(
        folder, "contacts.csv",
        QByteArray("First Name,Middle Name,Last Name,Phonetic First Name,Phonetic Last Name,"
                   "Address 1 - Postal Code,Address 1 - Region,Address 1 - City,"
                   "Address 1 - Street\r\n"
                   "太郎,,山田,,,100-0005,東京都,千代田区,丸の内1-1\r\n"
                   "花子,,佐藤,ハナコ,サトウ,530-0001,大阪府,大阪市北区,梅田3-1-1\r\n"));
    boxes.answer = QMessageBox::No;
    {
        OnImportDialog accept([](ImportDialog& dialog) {
            EXPECT_TRUE(dialog.suggestReadings->isChecked());
            dialog.accept();
        });
        menu.tools->importBook(file);
    }
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.shown[0].text.contains("2 行目: 山田 太郎 → ヤマダタロウ"))
        << boxes.shown[0].text.toStdString();
    EXPECT_EQ(database.scalar("select count(*) from MST_KOKYAKU"), 0);

    boxes.answer = QMessageBox::Yes;
    {
        OnImportDialog accept([](ImportDialog& dialog) { dialog.accept(); });
        menu.tools->importBook(file);
    }
    EXPECT_TRUE(boxes.shown.back().text.contains("読みを推定した行（1 行"))
        << boxes.shown.back().text.toStdString();
    EXPECT_EQ(database.scalar("select count(*) from MST_KOKYAKU where HURIGANA = 'ヤマダタロウ' "
                              "and JYUSYO = '東京都千代田区丸の内1-1'"),
              1);
    EXPECT_EQ(database.scalar("select count(*) from MST_KOKYAKU where HURIGANA = 'サトウハナコ'"),
              1);

    // Without suggestions the row is refused, its suggestion named.
    database.execute("delete from MST_KOKYAKU");
    boxes.shown.clear();
    boxes.answer = QMessageBox::No;
    {
        OnImportDialog accept([](ImportDialog& dialog) {
            dialog.suggestReadings->setChecked(false);
            dialog.accept();
        });
        menu.tools->importBook(file);
    }
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.shown[0].text.contains("推定した読み: ヤマダタロウ"));
    EXPECT_EQ(database.scalar("select count(*) from MST_KOKYAKU"), 0);
}
