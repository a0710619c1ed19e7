#include "errors.h"
#include "ken_all.h"
#include "ken_all_writer.h"
#include "postal_assist.h"
#include "postal_dictionary.h"
#include "recorded_boxes.h"
#include "test_database.h"
#include "test_files.h"
#include "thonnin1.h"
#include "tk_touroku1.h"
#include "tmenu1.h"
#include "tools_menu.h"
#include "when_shown.h"
#include "zip_archive.h"

#include <QAction>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace velta;
using velta::test::kenAllRow;
using velta::test::writeFile;

namespace {

// Every trait of the published file: notes in brackets, a town over three rows, the town-less
// rows, 「一円」 as the whole village and as a real town, one code for two towns.
QStringList publishedRows() {
    return {
        kenAllRow("1000000", "東京都", "千代田区", "以下に掲載がない場合"),
        kenAllRow("1000005", "東京都", "千代田区", "丸の内（次のビルを除く）"),
        kenAllRow("1006890", "東京都", "千代田区", "丸の内ＪＰタワー（地階・階層不明）"),
        kenAllRow("0660005", "北海道", "千歳市", "協和（８８－２、２７１－１０、３４３－２、"),
        kenAllRow("0660005", "北海道", "千歳市", "４３１－１２、４４３－６、６０８－２、"),
        kenAllRow("0660005", "北海道", "千歳市", "１１３７－３、１３９２番地）"),
        kenAllRow("0600042", "北海道", "札幌市中央区", "大通西（１～１９丁目）"),
        kenAllRow("0640820", "北海道", "札幌市中央区", "大通西（２０～２８丁目）"),
        kenAllRow("3060433", "茨城県", "猿島郡境町", "境町の次に番地がくる場合"),
        kenAllRow("3998501", "長野県", "北安曇郡小谷村", "小谷村一円"),
        kenAllRow("5220317", "滋賀県", "犬上郡多賀町", "一円"),
        kenAllRow("4520961", "愛知県", "清須市", "春日振形", true),
        kenAllRow("4520961", "愛知県", "清須市", "春日夏至", true),
        kenAllRow("4520961", "愛知県", "清須市", "春日振形", true), // the same town twice
    };
}

QStringList places(const QVector<PostalTown>& towns) {
    QStringList result;
    for (const PostalTown& town : towns)
        result.append(town.code + QLatin1Char(' ') + addressOf(town));
    return result;
}

} // namespace

TEST(PostalFile, ReadsEveryEditionAndItsTraits) {
    const QByteArray shiftJis = test::kenAllShiftJis(publishedRows());
    const QByteArray utf8 = publishedRows().join(QString()).toUtf8();
    for (const QByteArray& bytes :
         {shiftJis, test::zipOf("KEN_ALL.CSV", shiftJis), test::zipOf("utf_ken_all.csv", utf8),
          QByteArray("\xEF\xBB\xBF") + utf8, utf8}) {
        QString error;
        const QVector<PostalTown> towns = readPostalFile(bytes, &error);
        ASSERT_EQ(towns.size(), 11) << error.toStdString();
        EXPECT_EQ(towns[0],
                  (PostalTown{"1000000", "東京都", "千代田区", "", "以下に掲載がない場合"}));
        EXPECT_EQ(towns[1].town, "丸の内");
        EXPECT_EQ(towns[1].published, "丸の内（次のビルを除く）");
        EXPECT_EQ(towns[2].town, "丸の内ＪＰタワー");
        EXPECT_EQ(towns[3].published,
                  "協和（８８－２、２７１－１０、３４３－２、４３１－１２、４４３－６、６０８－２、"
                  "１１３７－３、１３９２番地）");
        EXPECT_EQ(towns[3].town, "協和");
        EXPECT_EQ(towns[4].town, "大通西");
        EXPECT_EQ(towns[6].town, "");     // 境町の次に番地がくる場合
        EXPECT_EQ(towns[7].town, "");     // 小谷村一円: the whole village
        EXPECT_EQ(towns[8].town, "一円"); // 多賀町一円 is a town of its own
        EXPECT_EQ(towns[9].town, "春日振形");
        EXPECT_EQ(towns[10].town, "春日夏至");
    }
}

TEST(PostalFile, FaultsNameTheirLine) {
    QString error;
    QStringList rows = publishedRows();
    rows.insert(2, "これは郵便番号データではない\r\n");
    EXPECT_TRUE(readPostalFile(test::kenAllShiftJis(rows), &error).isEmpty());
    EXPECT_TRUE(error.contains("3 行目")) << error.toStdString();
    rows = publishedRows().mid(0, 4); // a bracket opened and never closed
    EXPECT_TRUE(readPostalFile(test::kenAllShiftJis(rows), &error).isEmpty());
    EXPECT_TRUE(error.contains("4 行目から続く町域")) << error.toStdString();
    EXPECT_TRUE(readPostalFile(QByteArray("PK\x03\x04 broken"), &error).isEmpty());
    EXPECT_TRUE(error.contains("zip")) << error.toStdString();
    QByteArray bytes = test::kenAllShiftJis(publishedRows());
    bytes.insert(bytes.indexOf("\r\n") + 2, "13101,\"100  \",\"1000001\",\"\x82\"\r\n");
    EXPECT_TRUE(readPostalFile(bytes, &error).isEmpty());
    EXPECT_TRUE(error.contains("2 行目")) << error.toStdString();
}

TEST(PostalFile, DamagedOrHostileZipsAreRefusedWithAReason) {
    const QByteArray csv = test::kenAllShiftJis(publishedRows());
    const QByteArray good = test::zipOf("KEN_ALL.CSV", csv);
    QString error;
    EXPECT_EQ(unzipFirst(good, ".csv", &error), csv);

    // One bit of the stored CRC flipped: the data inflates, only the check can tell.
    QByteArray badCrc = good;
    const qsizetype central = badCrc.lastIndexOf(QByteArray("PK\x01\x02", 4));
    badCrc[central + 16] = char(badCrc[central + 16] ^ 0x01);
    EXPECT_TRUE(unzipFirst(badCrc, ".csv", &error).isEmpty());
    EXPECT_TRUE(error.contains("CRC")) << error.toStdString();
    EXPECT_TRUE(readPostalFile(badCrc, &error).isEmpty());

    // Every single bit of the packed data flipped in turn: never a dictionary.
    const qsizetype data = 30 + QByteArray("KEN_ALL.CSV").size();
    for (qsizetype at = data; at < central; at += 7) {
        QByteArray flipped = good;
        flipped[at] = char(flipped[at] ^ 0x10);
        EXPECT_TRUE(unzipFirst(flipped, ".csv", &error).isEmpty()) << at;
    }

    // A size field of 4 GB is refused before anything is allocated.
    QByteArray huge = good;
    for (int i = 0; i < 4; ++i)
        huge[central + 24 + i] = char(0xFF);
    EXPECT_TRUE(unzipFirst(huge, ".csv", &error).isEmpty());
    EXPECT_TRUE(error.contains("大きすぎます")) << error.toStdString();

    // A bomb: 4 MB of zeros in a few kilobytes. Beyond the limit it stops at the limit; lying
    // about its size it stops at the size it gave.
    const QByteArray zeros(4 * 1024 * 1024, '\0');
    const QByteArray bomb = test::zipOf("KEN_ALL.CSV", zeros);
    ASSERT_LT(bomb.size(), 20000);
    EXPECT_TRUE(unzipFirst(bomb, ".csv", &error, 1024 * 1024).isEmpty());
    EXPECT_TRUE(error.contains("大きすぎます")) << error.toStdString();
    QByteArray liar = bomb;
    const qsizetype liarCentral = liar.lastIndexOf(QByteArray("PK\x01\x02", 4));
    liar[liarCentral + 24] = char(0x00);
    liar[liarCentral + 25] = char(0x04); // says 1 KB
    liar[liarCentral + 26] = char(0x00);
    liar[liarCentral + 27] = char(0x00);
    EXPECT_TRUE(unzipFirst(liar, ".csv", &error).isEmpty());
    EXPECT_TRUE(error.contains("展開できません")) << error.toStdString();

    // Cut short.
    EXPECT_TRUE(unzipFirst(good.left(good.size() / 2) + good.right(22), ".csv", &error).isEmpty());
}

TEST(PostalFile, AddressKeysFoldWidthsAndSmallKe) {
    EXPECT_EQ(addressKey("旭ヶ丘１－２"), addressKey("旭ケ丘1-2"));
    EXPECT_EQ(postalCodeDigits("１００－０００５"), "1000005");
    EXPECT_EQ(postalCodeDigits("100-0005"), "1000005");
    EXPECT_EQ(postalCodeDigits("100000"), "");
    EXPECT_EQ(postalCodeDigits("100-000a"), "");
}

class PostalDictionary : public velta::test::BackendTest {
protected:
    void SetUp() override {
        BackendTest::SetUp();
        if (!database)
            return;
        dm = database->connect();
    }
    int import(const QStringList& rows) {
        return importPostalFile(*dm,
                                writeFile(folder, "ken_all.zip",
                                          test::zipOf("KEN_ALL.CSV", test::kenAllShiftJis(rows))));
    }
    QTemporaryDir folder;
    std::unique_ptr<TDM> dm;
};

TEST_P(PostalDictionary, LooksUpCodesAndAddressesAndANewFileReplacesTheOld) {
    const qint64 columnsBefore =
        database->scalar("select count(*) from RDB$RELATION_FIELDS where RDB$RELATION_NAME "
                         "starting with 'MST_'");
    EXPECT_FALSE(hasPostalDictionary(*dm));
    EXPECT_TRUE(lookUpPostalCode(*dm, "1000005").isEmpty()); // no table yet
    EXPECT_EQ(import(publishedRows()), 11);
    EXPECT_TRUE(hasPostalDictionary(*dm));
    EXPECT_EQ(database->scalar("select count(*) from RDB$RELATION_FIELDS where "
                               "RDB$RELATION_NAME starting with 'MST_'"),
              columnsBefore);

    EXPECT_EQ(places(lookUpPostalCode(*dm, "100-0005")),
              QStringList{"1000005 東京都千代田区丸の内"});
    EXPECT_EQ(places(lookUpPostalCode(*dm, "４５２０９６１")),
              QStringList({"4520961 愛知県清須市春日夏至", "4520961 愛知県清須市春日振形"}));
    EXPECT_TRUE(lookUpPostalCode(*dm, "9999999").isEmpty());

    EXPECT_EQ(places(lookUpAddress(*dm, "東京都千代田区丸の内１－２－３")),
              QStringList{"1000005 東京都千代田区丸の内"});
    EXPECT_EQ(places(lookUpAddress(*dm, "東京都千代田区丸の内ＪＰタワー5階")),
              QStringList{"1006890 東京都千代田区丸の内ＪＰタワー"});
    EXPECT_EQ(places(lookUpAddress(*dm, "東京都千代田区霞が関1-1")),
              QStringList{"1000000 東京都千代田区"});
    EXPECT_EQ(
        places(lookUpAddress(*dm, "北海道札幌市中央区大通西3")),
        QStringList({"0600042 北海道札幌市中央区大通西", "0640820 北海道札幌市中央区大通西"}));
    EXPECT_TRUE(lookUpAddress(*dm, "大阪府大阪市北区梅田").isEmpty());

    // Next year's file replaces this one whole.
    EXPECT_EQ(import({kenAllRow("1000005", "東京都", "千代田区", "丸の内")}), 1);
    EXPECT_TRUE(lookUpPostalCode(*dm, "1000000").isEmpty());
    EXPECT_EQ(places(lookUpPostalCode(*dm, "1000005")),
              QStringList{"1000005 東京都千代田区丸の内"});
}

TEST_P(PostalDictionary, FindsTownsInAddressesAsPeopleWriteThem) {
    ASSERT_EQ(import({kenAllRow("6040000", "京都府", "京都市中京区", "以下に掲載がない場合"),
                      kenAllRow("6048151", "京都府", "京都市中京区", "橋弁慶町"),
                      kenAllRow("6048205", "京都府", "京都市中京区", "大黒町"),
                      kenAllRow("6048425", "京都府", "京都市中京区", "大黒町"),
                      kenAllRow("6048113", "京都府", "京都市中京区", "鍵屋町"),
                      kenAllRow("9960000", "山形県", "最上郡大蔵村", "以下に掲載がない場合"),
                      kenAllRow("9960212", "山形県", "最上郡大蔵村", "南山"),
                      kenAllRow("3060433", "茨城県", "猿島郡境町", "境町の次に番地がくる場合")}),
              8);
    // Kyoto: the street first, the town after it; one name for two towns gives both to choose.
    EXPECT_EQ(places(lookUpAddress(*dm, "京都府京都市中京区蛸薬師通烏丸西入橋弁慶町225")),
              QStringList{"6048151 京都府京都市中京区橋弁慶町"});
    EXPECT_EQ(places(lookUpAddress(*dm, "京都府京都市中京区丸太町通堺町東入鍵屋町1")),
              QStringList{"6048113 京都府京都市中京区鍵屋町"});
    EXPECT_EQ(
        places(lookUpAddress(*dm, "京都府京都市中京区寺町通二条下る大黒町3")),
        QStringList({"6048205 京都府京都市中京区大黒町", "6048425 京都府京都市中京区大黒町"}));
    // 大字 and 字 before the town, and the county left out, find the town, not the catch-all.
    EXPECT_EQ(places(lookUpAddress(*dm, "山形県最上郡大蔵村大字南山2048")),
              QStringList{"9960212 山形県最上郡大蔵村南山"});
    EXPECT_EQ(places(lookUpAddress(*dm, "山形県大蔵村字南山2048")),
              QStringList{"9960212 山形県最上郡大蔵村南山"});
    EXPECT_EQ(places(lookUpAddress(*dm, "山形県大蔵村大字清水1")),
              QStringList{"9960000 山形県最上郡大蔵村"});
    // The check before printing takes the county-less city as the code's.
    const PostalCheck check(*dm, {"9960212", "3060433"});
    EXPECT_EQ(check.problem("9960212", "山形県大蔵村大字南山2048"), "");
    EXPECT_EQ(check.problem("3060433", "茨城県境町391"), "");
    EXPECT_EQ(check.problem("3060433", "茨城県古河市1"), "郵便番号と住所が一致しません");
}

TEST_P(PostalDictionary, LookUpsGiveTheEnginesOrderAndADictionaryWithoutItsCityListStillServes) {
    // One code for several towns, in an order the file does not give them.
    ASSERT_EQ(import({kenAllRow("6020000", "京都府", "京都市上京区", "以下に掲載がない場合"),
                      kenAllRow("6028000", "京都府", "京都市上京区", "東堀川通"),
                      kenAllRow("6028000", "京都府", "京都市上京区", "一条通"),
                      kenAllRow("6028000", "京都府", "京都市上京区", "亀屋町"),
                      kenAllRow("6028000", "京都府", "京都市上京区", "あ町"),
                      kenAllRow("6028001", "京都府", "京都市上京区", "亀屋町")}),
              6);
    QStringList engine;
    TIBQuery& query = dm->IBQuery1;
    query.Clear();
    query.Add("select YUBINNO, TOWN from VELTA_POSTAL where YUBINNO = '6028000' "
              "order by YUBINNO, PREF, CITY, TOWN");
    for (query.Open(); !query.Eof(); query.Next())
        engine.append(query.fieldString(0).trimmed() + " " + query.fieldString(1));
    query.Close();
    dm->close();
    QStringList found;
    for (const PostalTown& town : lookUpPostalCode(*dm, "6028000"))
        found.append(town.code + " " + town.town);
    EXPECT_EQ(found, engine);
    EXPECT_EQ(found.size(), 4);
    // A dictionary stored before the city list existed is read the slow way, with the same
    // answer.
    const QStringList listed = places(lookUpAddress(*dm, "京都府京都市上京区亀屋町1"));
    EXPECT_EQ(listed, QStringList({"6028000 京都府京都市上京区亀屋町",
                                   "6028001 京都府京都市上京区亀屋町"}));
    database->execute("drop table VELTA_POSTAL_CITY");
    EXPECT_EQ(places(lookUpAddress(*dm, "京都府京都市上京区亀屋町1")), listed);
    // The next import makes the list again.
    ASSERT_EQ(import({kenAllRow("6028001", "京都府", "京都市上京区", "亀屋町")}), 1);
    EXPECT_EQ(places(lookUpAddress(*dm, "京都府京都市上京区亀屋町1")),
              QStringList{"6028001 京都府京都市上京区亀屋町"});
}

TEST_P(PostalDictionary, AFailedOrStoppedImportLeavesTheOldDictionary) {
    ASSERT_EQ(import(publishedRows()), 11);
    QStringList broken = publishedRows();
    broken.append("13101,\"100\",\"1000001\"\r\n");
    EXPECT_THROW(import(broken), PostalFileError);
    // A town the database cannot store, found halfway through the storing.
    QStringList unstorable = publishedRows();
    const QVector<PostalTown> towns = readPostalFile(test::kenAllShiftJis(unstorable), nullptr);
    QVector<PostalTown> withOutsider = towns;
    withOutsider.insert(6, PostalTown{"1000001", "東京都", "千代田区", "千代田𠮷", "千代田𠮷"});
    try {
        storePostalTowns(*dm, withOutsider);
        FAIL() << "stored a character outside the database's character set";
    } catch (const DbError& error) {
        EXPECT_TRUE(error.message().contains("1000001")) << error.message().toStdString();
        EXPECT_TRUE(error.message().contains("辞書は元のまま")) << error.message().toStdString();
    }
    // Stopped after 500 of 1,200 towns were stored in the import's transaction.
    QVector<PostalTown> many;
    for (int i = 0; i < 1200; ++i)
        many.append({QString::number(2000000 + i), "東京都", "新宿区", "町", "町"});
    EXPECT_EQ(storePostalTowns(*dm, many, [](qint64 done, qint64) { return done < 500; }), -1);
    EXPECT_EQ(database->scalar("select count(*) from VELTA_POSTAL"), 11);
}

VELTA_ON_BOTH_BACKENDS(PostalDictionary);

class PostalEntry : public ::testing::Test {
protected:
    PostalEntry() : dm(database.connect()) {
        importPostalFile(*dm,
                         writeFile(folder, "KEN_ALL.CSV", test::kenAllShiftJis(publishedRows())));
    }
    velta::test::TestDatabase database;
    QTemporaryDir folder;
    std::unique_ptr<TDM> dm;
    velta::test::RecordedBoxes boxes;
};

TEST_F(PostalEntry, TypedCodeFillsAnEmptyAddressAndTheButtonsWorkBothWays) {
    TK_touroku1 entry(*dm);
    entry.show();
    QTest::keyClicks(entry.Edit3, "100-0005");
    EXPECT_EQ(entry.Edit4->text(), "東京都千代田区丸の内");
    // A typed code never overwrites an address already there; the button offers it.
    entry.Edit4->setText("大阪府");
    entry.Edit3->clear();
    QTest::keyClicks(entry.Edit3, "1006890");
    EXPECT_EQ(entry.Edit4->text(), "大阪府");
    QTest::mouseClick(entry.postalAssist->toAddress, Qt::LeftButton);
    EXPECT_EQ(entry.Edit4->text(), "東京都千代田区丸の内ＪＰタワー");
    {
        int listed = 0; // the user picks the second town of the list
        velta::test::WhenShown<QDialog> pick(
            [&](QDialog& dialog) {
                auto* list = dialog.findChild<QListWidget*>("List");
                listed = list->count();
                list->setCurrentRow(1);
                dialog.accept();
            },
            "TownChooser");
        entry.Edit3->setText("4520961");
        QTest::mouseClick(entry.postalAssist->toAddress, Qt::LeftButton);
        EXPECT_EQ(listed, 2);
    }
    EXPECT_EQ(entry.Edit4->text(), "愛知県清須市春日振形");

    entry.Edit3->clear();
    entry.Edit4->setText("東京都千代田区丸の内２－１");
    QTest::mouseClick(entry.postalAssist->toCode, Qt::LeftButton);
    EXPECT_EQ(entry.Edit3->text(), "100-0005");
    entry.Edit4->setText("大阪府大阪市");
    QTest::mouseClick(entry.postalAssist->toCode, Qt::LeftButton);
    ASSERT_FALSE(boxes.shown.empty());
    EXPECT_EQ(boxes.shown.back().text, "住所1 にあう郵便番号が辞書にありません。");
    EXPECT_EQ(entry.Edit3->text(), "100-0005");
}

TEST_F(PostalEntry, TheSenderWindowHelpsTooAndAMissingDictionarySaysWhereToGetIt) {
    Thonnin1 sender(*dm);
    sender.show();
    QTest::keyClicks(sender.Edit3, "0660005");
    EXPECT_EQ(sender.Edit4->text(), "北海道千歳市協和");
    database.execute("delete from VELTA_POSTAL");
    QTest::mouseClick(sender.postalAssist->toAddress, Qt::LeftButton);
    ASSERT_FALSE(boxes.shown.empty());
    EXPECT_TRUE(boxes.shown.back().text.contains("郵便番号辞書がありません"))
        << boxes.shown.back().text.toStdString();
}

TEST_F(PostalEntry, CheckFindsUnknownCodesAndAddressesOutsideTheCodesCity) {
    const PostalCheck check(*dm, {"1000005", "１００－０００５", "1234567"});
    EXPECT_EQ(check.problem("1000005", "東京都千代田区丸の内1-1"), "");
    EXPECT_EQ(check.problem("１００－０００５", "東京都千代田区大手町"),
              ""); // the city is what counts
    EXPECT_EQ(check.problem("1000005", "大阪府大阪市北区"), "郵便番号と住所が一致しません");
    EXPECT_EQ(check.problem("1234567", "東京都千代田区"), "郵便番号 1234567 は辞書にありません");
    EXPECT_EQ(check.problem("", "東京都千代田区"), "");
    database.execute("delete from VELTA_POSTAL");
    EXPECT_FALSE(PostalCheck(*dm, {"1234567"}).active());
    EXPECT_EQ(PostalCheck(*dm, {"1234567"}).problem("1234567", "どこか"), "");
}

TEST(PostalMenu, ImportFromTheToolsMenuSaysHowManyTowns) {
    velta::test::TestDatabase database;
    auto dm = database.connect();
    Tmenu1 menu(*dm);
    ASSERT_NE(menu.findChild<QAction*>("actImportPostal"), nullptr);
    QTemporaryDir folder;
    velta::test::RecordedBoxes boxes;
    menu.tools->importPostal(writeFile(
        folder, "ken_all.zip", test::zipOf("KEN_ALL.CSV", test::kenAllShiftJis(publishedRows()))));
    ASSERT_FALSE(boxes.shown.empty());
    EXPECT_EQ(boxes.shown.back().text, "11 件の町域を郵便番号辞書に取り込みました。");
    EXPECT_EQ(database.scalar("select count(*) from VELTA_POSTAL"), 11);
}

TEST(VeltaPostal, ImportsAndLooksUpWithExitCodes) {
    QTemporaryDir work;
    velta::test::makeWorkingFolder(work.path());
    auto run = [&](const QStringList& arguments, QString* out = nullptr) {
        return velta::test::runTool(VELTA_POSTAL_PATH, work, arguments, out);
    };
    QString out;
    EXPECT_EQ(run({"lookup", "1000005"}, &out), 1); // no dictionary yet
    const QString file =
        writeFile(work, "utf_ken_all.csv", publishedRows().join(QString()).toUtf8());
    EXPECT_EQ(run({"import", file}, &out), 0);
    EXPECT_TRUE(out.contains("11 件")) << out.toStdString();
    EXPECT_EQ(run({"lookup", "1000005"}, &out), 0);
    EXPECT_EQ(out, "1000005\t東京都\t千代田区\t丸の内\n");
    EXPECT_EQ(run({"lookup", "4520961"}, &out), 0);
    EXPECT_EQ(out.count('\n'), 2);
    EXPECT_EQ(run({"lookup", "9999999"}, &out), 1);
    EXPECT_EQ(out, "");
    EXPECT_EQ(run({"lookup", "12"}), 2);
    EXPECT_EQ(run({"import"}), 2);
    EXPECT_EQ(run({"import", work.filePath("missing.zip")}), 1);
}

TEST(VeltaPostal, PrintsTheCustomerBarcodesSymbolsOrSaysWhyThereIsNone) {
    QTemporaryDir work;
    velta::test::makeWorkingFolder(work.path());
    auto run = [&](const QStringList& arguments, QString* out = nullptr) {
        return velta::test::runTool(VELTA_POSTAL_PATH, work, arguments, out);
    };
    QString out;
    EXPECT_EQ(run({"barcode", "1000013", "東京都千代田区霞が関1丁目3番2号"}, &out), 1);
    QStringList rows = publishedRows();
    rows.append(kenAllRow("1000013", "東京都", "千代田区", "霞が関"));
    const QString file = writeFile(work, "utf_ken_all.csv", rows.join(QString()).toUtf8());
    ASSERT_EQ(run({"import", file}), 0);
    // The manual's example, typed as people type it: the code with its hyphen, full width.
    EXPECT_EQ(run({"barcode", "100-0013", "東京都千代田区霞が関１丁目３番２号　郵便プラザ５０３室"},
                  &out),
              0);
    EXPECT_EQ(out, "STC 1 0 0 0 0 1 3 1 - 3 - 2 - 5 0 3 CC4 CC4 CC4 CC4 9 SPC\n");
    EXPECT_EQ(run({"barcode", "1000000", "東京都千代田区外神田1-1"}, &out), 1);
    EXPECT_EQ(out, "");
    EXPECT_EQ(run({"barcode", "9999999", "東京都"}), 1);
    EXPECT_EQ(run({"barcode", "1000013"}), 2);
}

TEST(VeltaPostal, HostileZipsEndWithAMessageUnderAMemoryLimitAndKeepTheDictionary) {
    QTemporaryDir work;
    velta::test::makeWorkingFolder(work.path());
    const QString good = writeFile(
        work, "ken_all.zip", test::zipOf("KEN_ALL.CSV", test::kenAllShiftJis(publishedRows())));
    ASSERT_EQ(velta::test::runTool(VELTA_POSTAL_PATH, work, {"import", good}), 0);
    QByteArray huge = test::zipOf("KEN_ALL.CSV", test::kenAllShiftJis(publishedRows()));
    const qsizetype central = huge.lastIndexOf(QByteArray("PK\x01\x02", 4));
    for (int i = 0; i < 4; ++i)
        huge[central + 24 + i] = char(0xFF); // "4 GB inside"
    QByteArray flipped = test::zipOf("KEN_ALL.CSV", test::kenAllShiftJis(publishedRows()));
    flipped[flipped.lastIndexOf(QByteArray("PK\x01\x02", 4)) + 16] ^= 0x04; // its CRC
    for (const QString& name :
         {writeFile(work, "huge.zip", huge), writeFile(work, "crc.zip", flipped)}) {
        QProcess tool;
        tool.setWorkingDirectory(work.path());
        // 1.5 GB of address space: enough for the program, not for what the file claims.
        tool.start("prlimit", {"--as=1500000000", VELTA_POSTAL_PATH, "import", name});
        ASSERT_TRUE(tool.waitForFinished(60000));
        EXPECT_EQ(tool.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(tool.exitCode(), 1) << name.toStdString();
        const QString err = QString::fromUtf8(tool.readAllStandardError());
        EXPECT_TRUE(err.contains("大きすぎます") || err.contains("CRC")) << err.toStdString();
        EXPECT_TRUE(err.contains("辞書は元のまま")) << err.toStdString();
    }
    QString out;
    EXPECT_EQ(velta::test::runTool(VELTA_POSTAL_PATH, work, {"lookup", "1000005"}, &out), 0);
    EXPECT_EQ(out, "1000005\t東京都\t千代田区\t丸の内\n"); // the old dictionary, whole
}
