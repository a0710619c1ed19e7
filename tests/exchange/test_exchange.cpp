#include "book_exchange.h"
#include "cp932.h"
#include "detail_store.h"
#include "errors.h"
#include "test_database.h"
#include "test_files.h"

#include <QDate>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace velta;
using velta::test::TestDatabase;
using velta::test::writeFile;

namespace {

const char* kAllColumns =
    "NAMAE, NAMAE2, HURIGANA, YUBINNO, JYUSYO, JYUSYO2, RENMEI1, RENMEI2, TEL, MEMO, KEY2, IDNUM, "
    "K_SHITU, SEIBETU, SEI_JEL, SEI_MUUSU, SEI_SUPURE, SEI_SONOTA, SORI_AGO, SORI_MAYU, YEAR1, "
    "MONTH1, DAY1, LTIME";

// Every column of every recipient, in key order, as text.
QList<QStringList> everyColumn(const TestDatabase& database) {
    auto dm = database.connect();
    TIBQuery& q = dm->IBQuery1;
    q.Clear();
    q.Add(QString("select %1 from MST_KOKYAKU order by KEY1").arg(kAllColumns));
    QList<QStringList> rows;
    const QStringList names = QString(kAllColumns).split(", ");
    for (q.Open(); !q.Eof(); q.Next()) {
        QStringList row;
        for (const QString& name : names)
            row.append(q.fieldString(name));
        rows.append(row);
    }
    q.Close();
    dm->close();
    return rows;
}

void addFull(const TestDatabase& database, const QString& surname, const QString& memo) {
    database.execute(
        QString("insert into MST_KOKYAKU (KEY1, %1) values (0, '%2', '太郎', 'やまだ たろう', "
                "'060-0042', '北海道札幌市中央区大通西１－２', 'ビル\"A\",3F', '花子', '一郎', "
                "'03-1234-5678', '%3', 7, 12, '101', 2, 1, 0, 1, 0, 1, 0, 2026, 12, 9, "
                "'2026-12-09 10:11:12.345')")
            .arg(kAllColumns, surname, memo));
}

// Each recipient's details by surname.
QMap<QString, RecipientDetails> detailsBySurname(const TestDatabase& database) {
    auto dm = database.connect();
    UnitOfWork work(*dm);
    QMap<QString, RecipientDetails> result;
    const QHash<qint64, RecipientDetails> all = DetailStore(*dm).readAll();
    TIBQuery& q = dm->IBQuery1;
    q.Clear();
    q.Add("select KEY1, NAMAE from MST_KOKYAKU");
    for (q.Open(); !q.Eof(); q.Next())
        result.insert(q.fieldString(1), all.value(q.fieldInteger(0)));
    q.Close();
    return result;
}

ImportReport importFile(const TestDatabase& database, const QString& file) {
    auto dm = database.connect();
    ImportReader reader = ImportReader::open(file);
    return velta::importFile(*dm, reader, matchHeaders(reader.headers()));
}

} // namespace

namespace {

// Why a file's bytes are refused; empty when they are read.
QString refusal(const QByteArray& bytes) {
    try {
        readImportBytes(bytes);
    } catch (const ExchangeError& error) {
        return QString::fromUtf8(error.what());
    }
    return QString();
}

} // namespace

TEST(BookExchange, ExportThenImportGivesBackEveryColumnInBothEncodings) {
    TestDatabase source;
    addFull(source, "山田", "一行目\r\n二行目, \"引用\"");
    addFull(source, "佐藤", "");
    source.execute("insert into MST_KOKYAKU (KEY1, NAMAE, HURIGANA) values (0, '鈴木', 'すずき')");
    const QList<QStringList> expected = everyColumn(source);
    ASSERT_EQ(expected.size(), 3);
    {
        auto dm = source.connect();
        ensureDetailTables(*dm);
        UnitOfWork work(*dm);
        RecipientDetails company;
        company.honorific = "御中";
        company.company = "株式会社山田商事";
        company.department1 = "総務部";
        company.department2 = "人事課、庶務係";
        company.title = "部長";
        company.moreJointNames = {"一郎", "次郎", "三郎"};
        company.joints[0] = {"くん", "ハナコ"};
        company.joints[4] = {"", "サブロウ"};
        company.groups = {"会社", "取引先"};
        company.setMarks({2026, true, true, false, false, false, {}});
        company.setMarks({2027, false, true, true, false, true, "祖父: 十一月"});
        RecipientDetails none;
        none.honorific = ""; // printed without a 敬称
        DetailStore store(*dm);
        store.write(1, company);
        store.write(2, none);
        work.commit();
    }
    const QMap<QString, RecipientDetails> expectedDetails = detailsBySurname(source);
    ASSERT_EQ(expectedDetails.value("山田").company, "株式会社山田商事");
    ASSERT_EQ(expectedDetails.value("佐藤").honorific, "");
    QTemporaryDir folder;
    for (const TextEncoding encoding : {TextEncoding::Utf8, TextEncoding::Cp932}) {
        const QString file = folder.filePath(encoding == TextEncoding::Utf8 ? "u.csv" : "s.csv");
        auto dm = source.connect();
        EXPECT_EQ(exportBook(*dm, file, encoding), 3);
        QFile written(file);
        ASSERT_TRUE(written.open(QIODevice::ReadOnly));
        const QByteArray bytes = written.readAll();
        EXPECT_EQ(bytes.startsWith("\xEF\xBB\xBF"), encoding == TextEncoding::Utf8);
        if (encoding == TextEncoding::Cp932) {
            EXPECT_TRUE(cp932::decode(bytes).startsWith("\"姓\",\"名\",\"ふりがな\",\"郵便番号\""));
        }

        TestDatabase target;
        const ImportReport report = importFile(target, file);
        EXPECT_EQ(report.imported, 3);
        EXPECT_TRUE(report.refused.isEmpty()) << report.refused.join('\n').toStdString();
        EXPECT_EQ(everyColumn(target), expected);
        EXPECT_EQ(detailsBySurname(target), expectedDetails);
    }
}

TEST(BookExchange, OtherProgramsCsvIsMatchedByItsHeadersAndRefusalsNameTheirLines) {
    const QString csv = "\"氏名\",\"フリガナ\",\"〒\",\"住所\",\"建物名\",\"連名\",\"連名\","
                        "\"電話\",\"備考\",\"誕生日\"\r\n"
                        "\"山田　太郎\",\"ヤマダ "
                        "タロウ\",\"100-0005\",\"東京都千代田区丸の内1-1\",\"丸ビル\",\"花子\","
                        "\"一郎\",\"03-0000-0000\",\"友人\",\"1990/1/1\"\r\n"
                        "\"名前なし\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\"\r\n"
                        ",\"ダレ\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\"\r\n"
                        "\"髙橋　一\",\"タカハシ\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\"\r\n";
    QTemporaryDir folder;
    const QString file =
        writeFile(folder, "other.csv", cp932::encode(QString(csv).replace("髙", "高"), "x"));
    ImportReader reader = ImportReader::open(file);
    EXPECT_EQ(reader.kind(), "CSV（Shift-JIS）");
    EXPECT_EQ(matchHeaders(reader.headers()),
              QVector<Target>({Target::FullName, Target::Reading, Target::PostalCode,
                               Target::Address1, Target::Address2, Target::Joint1, Target::Joint2,
                               Target::Telephone, Target::Memo, Target::Ignore}));
    TestDatabase database;
    auto dm = database.connect();
    ImportReport report = velta::importFile(*dm, reader, matchHeaders(reader.headers()));
    EXPECT_EQ(report.imported, 2);
    EXPECT_EQ(
        report.refused,
        QStringList(
            {"3 行目: ふりがながありません（宛名一覧にもハガキ作成にも出ません）。推定した読み: "
             "ナマエナシ",
             "4 行目: 姓がありません。"}));
    EXPECT_EQ(
        database.scalar("select count(*) from MST_KOKYAKU where NAMAE = '山田' and "
                        "NAMAE2 = '太郎' and HURIGANA = 'ヤマダ タロウ' and YUBINNO = "
                        "'100-0005' and JYUSYO2 = '丸ビル' and RENMEI1 = '花子' and RENMEI2 = "
                        "'一郎' and TEL = '03-0000-0000' and MEMO = '友人'"),
        1);

    // UTF-8 lets a file hold a character the Shift-JIS database cannot: refused by line.
    const QString utf8 = writeFile(folder, "utf8.csv", QByteArray("\xEF\xBB\xBF") + csv.toUtf8());
    TestDatabase other;
    report = importFile(other, utf8);
    EXPECT_EQ(report.imported, 1);
    ASSERT_EQ(report.refused.size(), 3);
    EXPECT_TRUE(report.refused[2].startsWith("5 行目: 「姓（苗字）」に登録できない文字「髙」"))
        << report.refused[2].toStdString();
    EXPECT_EQ(other.scalar("select count(*) from MST_KOKYAKU where NAMAE like '%高%'"), 0);
}

TEST(BookExchange, VCardsOfPhonesAndWebBooksBringTheirReadings) {
    const QByteArray cards =
        "BEGIN:VCARD\r\nVERSION:3.0\r\nN:山田;太郎;;;\r\nFN:山田 太郎\r\n"
        "X-PHONETIC-LAST-NAME:やまだ\r\nX-PHONETIC-FIRST-NAME:たろう\r\n"
        "ADR;TYPE=WORK:;;大手町1-1;千代田区;東京都;100-0004;日本\r\n"
        "ADR;TYPE=HOME:;グランドメゾン101;丸の内1-2\\,3;千代田区;東京都;100-0005;日本\r\n"
        "TEL;TYPE=CELL:090-1111-2222\r\nNOTE:年賀状\\nありがとう\r\n"
        "ORG:山田商事;営業部;第二課\r\nTITLE:課長\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\r\nVERSION:4.0\r\nN;SORT-AS=\"さとう,はなこ\":佐藤;花子;;;\r\n"
        "FN:佐藤 花子\r\nADR:;;梅田3-1-1;大阪市北区;大阪府;530-0001;\r\n"
        "TEL;VALUE=uri:tel:+81-6-0000-0000\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:読みのない人\r\nEND:VCARD\r\n";
    QTemporaryDir folder;
    TestDatabase database;
    const ImportReport report = importFile(database, writeFile(folder, "contacts.vcf", cards));
    EXPECT_EQ(report.imported, 2);
    EXPECT_EQ(report.refused,
              QStringList({"21 行目: ふりがながありません（宛名一覧にもハガキ作成にも出ません）。"
                           "推定した読み: ヨミノナイヒト"}));
    auto dm = database.connect();
    TIBQuery& q = dm->IBQuery1;
    q.Clear();
    q.Add("select NAMAE, NAMAE2, HURIGANA, YUBINNO, JYUSYO, JYUSYO2, TEL, MEMO from MST_KOKYAKU "
          "order by KEY1");
    q.Open();
    QStringList first;
    for (int c = 0; c < 8; ++c)
        first.append(q.fieldString(c));
    EXPECT_EQ(first,
              QStringList({"山田", "太郎", "やまだたろう", "100-0005", "東京都千代田区丸の内1-2,3",
                           "グランドメゾン101", "090-1111-2222", "年賀状\nありがとう"}));
    q.Next();
    EXPECT_EQ(q.fieldString(2), "さとうはなこ");
    EXPECT_EQ(q.fieldString(4), "大阪府大阪市北区梅田3-1-1");
    EXPECT_EQ(q.fieldString(6), "+81-6-0000-0000");
    q.Close();
    dm->close();
    const RecipientDetails yamada = detailsBySurname(database).value("山田");
    EXPECT_EQ(QStringList({yamada.company, yamada.department1, yamada.department2, yamada.title}),
              QStringList({"山田商事", "営業部", "第二課", "課長"}));
    EXPECT_EQ(yamada.honorific, "様");
}

TEST(BookExchange, OldPhonesVCard21InShiftJisWithQuotedPrintableNames) {
    // 山田;花子 in Shift-JIS, quoted-printable, folded with a soft break; the reading in
    // half-width katakana.
    const QByteArray card = cp932::encode(
        "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=SHIFT_JIS;ENCODING=QUOTED-PRINTABLE:=8E=52=\r\n"
        "=93=63;=89=D4=8E=71\r\nSOUND;X-IRMC-N;CHARSET=SHIFT_JIS:ﾔﾏﾀﾞ;ﾊﾅｺ\r\n"
        "ADR;HOME;CHARSET=SHIFT_JIS:;;梅田1-1;大阪市北区;大阪府;530-0001\r\nEND:VCARD\r\n",
        "test");
    const ImportTable table = readImportBytes(card);
    EXPECT_EQ(table.kind, "vCard");
    ASSERT_EQ(table.rows.size(), 1);
    EXPECT_EQ(table.rows[0].fields.mid(0, 5),
              QStringList({"山田", "花子", "ﾔﾏﾀﾞﾊﾅｺ", "530-0001", "大阪府大阪市北区梅田1-1"}));
}

TEST(BookExchange, AnImportThatFailsOrStopsMidwayLeavesNothing) {
    TestDatabase database;
    database.execute("create exception NO_SUCH 'refused by the test'");
    database.execute("create trigger REFUSE_THIRD for MST_KOKYAKU before insert position 1 as "
                     "begin if (new.NAMAE = '三番') then exception NO_SUCH; end");
    QVector<ImportRow> rows;
    for (const char* name : {"一番", "二番", "三番", "四番"})
        rows.append({static_cast<int>(rows.size()) + 2,
                     {{"NAMAE", QString::fromUtf8(name)}, {"HURIGANA", "よみ"}}});
    auto dm = database.connect();
    EXPECT_THROW(importRows(*dm, rows), DbError);
    EXPECT_EQ(database.scalar("select count(*) from MST_KOKYAKU"), 0);
    rows.removeAt(2);
    const ImportReport stopped =
        importRows(*dm, rows, [](qint64 done, qint64) { return done < 2; });
    EXPECT_TRUE(stopped.stopped);
    EXPECT_EQ(database.scalar("select count(*) from MST_KOKYAKU"), 0);
    EXPECT_EQ(importRows(*dm, rows).imported, 3);
    EXPECT_EQ(database.scalar("select count(*) from MST_KOKYAKU"), 3);
}

TEST(BookExchange, AFileFoundUnreadableAfterThousandsOfRowsLeavesNothing) {
    // A Shift-JIS book of several pieces whose one broken byte lies in its last piece: the rows
    // before it were already on their way into the book when it was found.
    QByteArray bytes = cp932::encode(QStringLiteral("姓,ふりがな,住所\r\n"), "test");
    for (int i = 0; i < 40000; ++i)
        bytes +=
            cp932::encode(QStringLiteral("山田%1,ヤマダ,東京都千代田区丸の内\r\n").arg(i), "test");
    bytes += "\x85\x40,x,y\r\n";      // a lead byte code page 932 has no character for
    ASSERT_GT(bytes.size(), 1 << 20); // more than one piece
    TestDatabase database;
    auto dm = database.connect();
    ImportReader reader(bytes);
    EXPECT_EQ(reader.kind(), "CSV（Shift-JIS）");
    try {
        importFile(*dm, reader, matchHeaders(reader.headers()));
        FAIL() << "the broken byte was not found";
    } catch (const ExchangeError& error) {
        EXPECT_TRUE(QString::fromUtf8(error.what()).contains("40002 行目")) << error.what();
    }
    EXPECT_EQ(database.scalar("select count(*) from MST_KOKYAKU"), 0);
    EXPECT_FALSE(dm->IBDatabase1.Connected());
    // Without the broken line every row goes in, counted from the book.
    bytes.chop(10);
    ImportReader whole(bytes);
    EXPECT_EQ(importFile(*dm, whole, matchHeaders(whole.headers())).imported, 40000);
    EXPECT_EQ(database.scalar("select count(*) from MST_KOKYAKU where HURIGANA = 'ヤマダ'"), 40000);
}

TEST(BookExchange, ExportToAFolderThatCannotTakeItKeepsTheOldFile) {
    TestDatabase database;
    addFull(database, "山田", "");
    auto dm = database.connect();
    EXPECT_THROW(exportBook(*dm, "/nonexistent-folder/book.csv", TextEncoding::Utf8),
                 ExchangeError);
    EXPECT_THROW(exportBook(*dm, "/dev/full", TextEncoding::Utf8), ExchangeError);
}

TEST(BookExchange, BytesNeitherEncodingReadsAreRefusedNamingLineAndByteNeverReplaced) {
    // Shift-JIS with a pair code page 932 does not define (a vendor's own character) on line 3.
    QByteArray shiftJis = cp932::encode("姓,ふりがな\r\n山田,やまだ\r\n山", "test") +
                          QByteArray("\x85\x40", 2) + cp932::encode("田,やまだ\r\n", "test");
    QString why = refusal(shiftJis);
    EXPECT_TRUE(why.contains("3 行目")) << why.toStdString();
    EXPECT_TRUE(why.contains("0x85 0x40")) << why.toStdString();
    EXPECT_FALSE(why.contains(QChar(QChar::ReplacementCharacter)));
    // A UTF-8 file with one broken byte is a broken UTF-8 file, not Shift-JIS.
    QByteArray utf8 = QString("姓,ふりがな\n鈴木,すずき\n").toUtf8() + QByteArray("\xff") +
                      QString("佐藤,さとう\n").toUtf8();
    why = refusal(utf8);
    EXPECT_TRUE(why.contains("3 行目")) << why.toStdString();
    EXPECT_TRUE(why.contains("UTF-8 として読めません")) << why.toStdString();
    // The same with a BOM, and a clean Shift-JIS file still reads.
    EXPECT_FALSE(refusal(QByteArray("\xEF\xBB\xBF") + utf8).isEmpty());
    const ImportTable clean =
        readImportBytes(cp932::encode("姓,ふりがな\r\n山田,やまだ\r\n", "test"));
    ASSERT_EQ(clean.rows.size(), 1);
    EXPECT_EQ(clean.rows[0].fields[0], "山田");
}

TEST(BookExchange, FilesBeyondTheBoundsAreRefusedNamingTheLimit) {
    QByteArray wide = "姓,ふりがな";
    for (int i = 0; i < kMaxCsvFields; ++i)
        wide += ",x";
    QString why = refusal(wide + "\n山田,やまだ\n");
    EXPECT_TRUE(why.contains("1 行目") && why.contains("列が多すぎます")) << why.toStdString();
    why = refusal("姓,ふりがな\n山田,\"" + QByteArray(kMaxCsvFieldLength + 10, 'a') + "\"\n");
    EXPECT_TRUE(why.contains("2 行目") && why.contains("長すぎます")) << why.toStdString();
    // A vCard property folded and soft-broken over many lines is joined whole, and bounded.
    QByteArray card =
        "BEGIN:VCARD\r\nVERSION:2.1\r\nN;ENCODING=QUOTED-PRINTABLE:=E5=B1=B1=\r\n"
        "=E7=94=B0;=E5=A4=AA=E9=83=8E\r\nX-PHONETIC-LAST-NAME:やまだ\r\nEND:VCARD\r\n";
    const ImportTable table = readImportBytes(card);
    ASSERT_EQ(table.rows.size(), 1);
    EXPECT_EQ(table.rows[0].fields[0], "山田");
    QByteArray longCard = "BEGIN:VCARD\r\nVERSION:2.1\r\nNOTE;ENCODING=QUOTED-PRINTABLE:";
    for (int i = 0; i < 30000; ++i)
        longCard += "=41=42=\r\n";
    longCard += "X\r\nEND:VCARD\r\n";
    why = refusal(longCard);
    EXPECT_TRUE(why.contains("3 行目から続く項目が長すぎます")) << why.toStdString();

    QTemporaryDir folder;
    const QString file = writeFile(folder, "big.csv", QByteArray(4096, 'x'));
    QString error;
    EXPECT_TRUE(readBoundedFile(file, 1024, &error).isEmpty());
    EXPECT_TRUE(error.contains("大きすぎます")) << error.toStdString();
    EXPECT_EQ(readBoundedFile(file, 4096, &error).size(), 4096);
}

TEST(BookExchange, ABinaryFileIsRefusedNotImportedAsNoRows) {
    QByteArray picture("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
    try {
        readImportBytes(picture);
        ADD_FAILURE() << "a picture was read as an address book";
    } catch (const ExchangeError& error) {
        EXPECT_TRUE(QString::fromUtf8(error.what()).contains("テキストファイル")) << error.what();
    }
}

TEST(BookExchange, ARefusedRowLeavesTheOtherRowsStoredAndTheReportCountsWhatIsStored) {
    TestDatabase database; // a Shift-JIS book: 髙 cannot be stored
    QVector<ImportRow> rows;
    for (const char* name : {"山田", "佐藤", "髙橋", "鈴木"})
        rows.append({static_cast<int>(rows.size()) + 2,
                     {{"NAMAE", QString::fromUtf8(name)}, {"HURIGANA", "よみ"}}});
    auto dm = database.connect();
    const ImportReport report = importRows(*dm, rows);
    ASSERT_EQ(report.refused.size(), 1);
    EXPECT_TRUE(report.refused.first().startsWith("4 行目"))
        << report.refused.first().toStdString();
    EXPECT_EQ(report.imported, 3);
    QStringList stored;
    TIBQuery& q = dm->IBQuery1;
    q.Clear();
    q.Add("select NAMAE, YEAR1, MONTH1, DAY1, IDNUM from MST_KOKYAKU order by KEY1");
    for (q.Open(); !q.Eof(); q.Next()) {
        stored.append(q.fieldString(0));
        // What the entry window writes for a new recipient: today's date, zero flags.
        EXPECT_EQ(q.fieldString(1), QString::number(QDate::currentDate().year()));
        EXPECT_EQ(q.fieldString(2), QString::number(QDate::currentDate().month()));
        EXPECT_EQ(q.fieldString(3), QString::number(QDate::currentDate().day()));
        EXPECT_EQ(q.fieldInteger(4), 0);
    }
    q.Close();
    dm->close();
    EXPECT_EQ(stored, QStringList({"山田", "佐藤", "鈴木"}));
}

namespace {

// The recipients stored by importing a file, read back: 姓|名|ふりがな|〒|住所1|住所2|電話.
QStringList importedFrom(const QByteArray& bytes) {
    TestDatabase database;
    auto dm = database.connect();
    ImportReader reader(bytes);
    velta::importFile(*dm, reader, matchHeaders(reader.headers()));
    QStringList stored;
    TIBQuery& q = dm->IBQuery1;
    q.Clear();
    q.Add("select NAMAE, NAMAE2, HURIGANA, YUBINNO, JYUSYO, JYUSYO2, TEL from MST_KOKYAKU "
          "order by KEY1");
    for (q.Open(); !q.Eof(); q.Next()) {
        QStringList fields;
        for (int i = 0; i < 7; ++i)
            fields.append(q.fieldString(i));
        stored.append(fields.join('|'));
    }
    q.Close();
    dm->close();
    return stored;
}

} // namespace

TEST(BookExchange, GoogleContactsAndSplitAddressLayoutsKeepTheAddress) {
    // Google Contacts' current export (its published header row, our own rows).
    const QByteArray google =
        "First Name,Middle Name,Last Name,Phonetic First Name,Phonetic Middle Name,Phonetic Last "
        "Name,Name Prefix,Name Suffix,Nickname,File As,Organization Name,Organization "
        "Title,Organization Department,Birthday,Notes,Photo,Labels,E-mail 1 - Label,E-mail 1 - "
        "Value,Phone 1 - Label,Phone 1 - Value,Address 1 - Label,Address 1 - Formatted,Address 1 "
        "- Street,Address 1 - City,Address 1 - PO Box,Address 1 - Region,Address 1 - Postal "
        "Code,Address 1 - Country,Address 1 - Extended Address\n"
        "太郎,,山田,たろう,,やまだ,,,,,,,,,,,* myContacts,,,Mobile,090-1111-2222,Home,\"丸の内1-1\n"
        "千代田区, 東京都 100-0005\n日本\",丸の内1-1,千代田区,,東京都,100-0005,日本,丸ビル5階\n";
    EXPECT_EQ(importedFrom(google),
              QStringList{"山田|太郎|やまだたろう|100-0005|東京都千代田区丸の内1-1|丸ビル5階|"
                          "090-1111-2222"});
    // Google's older layout: Name beside Family Name and Given Name is not taken twice.
    const QByteArray oldGoogle =
        "Name,Given Name,Additional Name,Family Name,Yomi Name,Given Name Yomi,Additional Name "
        "Yomi,Family Name Yomi,Notes,Phone 1 - Type,Phone 1 - Value,Address 1 - Type,Address 1 - "
        "Formatted,Address 1 - Street,Address 1 - City,Address 1 - PO Box,Address 1 - "
        "Region,Address 1 - Postal Code,Address 1 - Country,Address 1 - Extended Address\n"
        "山田 "
        "太郎,太郎,,山田,,たろう,,やまだ,,Home,03-1234-5678,Home,,梅田3-1-1,大阪市北区,,大阪府,"
        "530-0001,,\n";
    EXPECT_EQ(
        importedFrom(oldGoogle),
        QStringList{"山田|太郎|やまだたろう|530-0001|大阪府大阪市北区梅田3-1-1||03-1234-5678"});
    // An address Google has only as a whole is kept whole, its lines joined.
    const QByteArray formattedOnly = "First Name,Last Name,Phonetic Last Name,Address 1 - "
                                     "Formatted,Address 1 - Street\n"
                                     "一,鈴木,すずき,\"京都府京都市\n中京区\",\n";
    EXPECT_EQ(importedFrom(formattedOnly), QStringList{"鈴木|一|すずき||京都府京都市　中京区||"});
    // The split layout of many Japanese address lists.
    const QByteArray split = "姓,名,ふりがな,郵便番号,都道府県,市区町村,番地,建物名\n"
                             "佐藤,花子,さとうはなこ,0600042,北海道,札幌市中央区,大通西1丁目,"
                             "テレビ塔\n";
    EXPECT_EQ(
        importedFrom(split),
        QStringList{"佐藤|花子|さとうはなこ|0600042|北海道札幌市中央区大通西1丁目|テレビ塔|"});
}

TEST(BookExchange, VCardParametersCharsetsNestedCardsAndCardsCutShort) {
    // The work address first, the home one marked as iPhones mark it: home is taken.
    const QByteArray iphone =
        "BEGIN:VCARD\r\nVERSION:3.0\r\nN:山田;太郎;;;\r\nX-PHONETIC-LAST-NAME:やまだ\r\n"
        "item1.ADR;type=WORK:;;大手町1-1;千代田区;東京都;1000004;\r\n"
        "item2.ADR;type=HOME;type=pref:;;梅田3-1-1;大阪市北区;大阪府;5300001;\r\nEND:VCARD\r\n";
    EXPECT_EQ(importedFrom(iphone),
              QStringList{"山田|太郎|やまだ|5300001|大阪府大阪市北区梅田3-1-1||"});
    // Quoted-printable in the character set the property names; a card inside a card (AGENT)
    // is no recipient of its own.
    const QByteArray old =
        "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=ISO-8859-1;ENCODING=QUOTED-PRINTABLE:M=FCller;"
        "Hans\r\n"
        "SOUND;X-IRMC-N:ミュラー;ハンス;;;\r\nAGENT:\r\nBEGIN:VCARD\r\nVERSION:2.1\r\n"
        "N:秘書;花子\r\nSOUND;X-IRMC-N:ヒショ;ハナコ\r\nEND:VCARD\r\nTEL:030000\r\nEND:VCARD\r\n";
    const ImportTable table = readImportBytes(old);
    ASSERT_EQ(table.rows.size(), 1);
    EXPECT_EQ(table.rows[0].fields.mid(0, 3), QStringList({"Müller", "Hans", "ミュラーハンス"}));
    EXPECT_EQ(table.rows[0].fields[6], "030000");
    // A file cut short inside a card is refused by its line, not read without that card.
    try {
        readImportBytes("BEGIN:VCARD\r\nVERSION:3.0\r\nN:一;二;;;\r\nEND:VCARD\r\n"
                        "BEGIN:VCARD\r\nVERSION:3.0\r\nN:三;四;;;\r\n");
        ADD_FAILURE() << "a card without END:VCARD was read";
    } catch (const ExchangeError& error) {
        EXPECT_TRUE(QString::fromUtf8(error.what()).contains("5 行目から始まる vCard"))
            << error.what();
    }
}

TEST(BookExchange, VCardsInOtherLanguagesQuotesAndUtf16) {
    // A 4.0 card with the name twice: the Japanese one is kept, not the romaji after it.
    const QByteArray altid = "BEGIN:VCARD\r\nVERSION:4.0\r\n"
                             "N;ALTID=1;LANGUAGE=ja;SORT-AS=\"さとう;はなこ\":佐藤;花子;;;\r\n"
                             "N;ALTID=1;LANGUAGE=en:Sato;Hanako;;;\r\nEND:VCARD\r\n";
    const ImportTable table = readImportBytes(altid);
    ASSERT_EQ(table.rows.size(), 1);
    EXPECT_EQ(table.rows[0].fields.mid(0, 3), QStringList({"佐藤", "花子", "さとうはなこ"}));
    // UTF-16 with its byte-order mark is read as text, not refused or taken for CSV.
    const QString card = "BEGIN:VCARD\r\nVERSION:3.0\r\nN:山田;太郎;;;\r\n"
                         "X-PHONETIC-LAST-NAME:やまだ\r\nEND:VCARD\r\n";
    QByteArray utf16("\xFF\xFE", 2);
    for (QChar c : card) {
        utf16.append(static_cast<char>(c.unicode() & 0xFF));
        utf16.append(static_cast<char>(c.unicode() >> 8));
    }
    const ImportTable wide = readImportBytes(utf16);
    EXPECT_EQ(wide.kind, "vCard");
    ASSERT_EQ(wide.rows.size(), 1);
    EXPECT_EQ(wide.rows[0].fields.mid(0, 3), QStringList({"山田", "太郎", "やまだ"}));
}

TEST(BookExchange, HalfWidthReadingsAreWidenedAndAddressLineBreaksJoined) {
    const QByteArray outlook = cp932::encode("姓,名,フリガナ,郵便番号,住所\r\n"
                                             "山田,太郎,ﾔﾏﾀﾞ ﾀﾛｳ,〒100-0005,\"東京都千代田区\r\n"
                                             "丸の内1-1\"\r\n",
                                             "test");
    // The code stays as the file has it; the card finds its seven digits.
    EXPECT_EQ(importedFrom(outlook),
              QStringList{"山田|太郎|ヤマダ タロウ|〒100-0005|東京都千代田区　丸の内1-1||"});
}

TEST(BookExchange, BrokenUtf16IsRefusedNotPatched) {
    // A lone surrogate, and an odd last byte: neither becomes a character.
    for (const QByteArray& broken : {QByteArray("\xFF\xFE"
                                                "A\x00\x00\xD8"
                                                "B\x00",
                                                8),
                                     QByteArray("\xFF\xFE"
                                                "A\x00"
                                                "B",
                                                5)})
        EXPECT_TRUE(refusal(broken).contains("UTF-16")) << refusal(broken).toStdString();
}

TEST(BookExchange, PhoneContactsWithoutReadingsAreStoredOnlyWithSuggestedReadingsListed) {
    // As an iPhone exports contacts (vCard 3.0, no phonetic names), one the dictionary cannot read.
    const QByteArray cards =
        "BEGIN:VCARD\r\nVERSION:3.0\r\nPRODID:-//Apple Inc.//iPhone OS 17.1//EN\r\n"
        "N:山田;太郎;;;\r\nFN:山田 太郎\r\n"
        "item1.ADR;type=HOME;type=pref:;;丸の内1-1-1;千代田区;東京都;100-0005;日本\r\n"
        "item1.X-ABADR:jp\r\nTEL;type=CELL;type=VOICE;type=pref:090-1234-5678\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\r\nVERSION:3.0\r\nN:𠮷野;一;;;\r\nFN:𠮷野 一\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\r\nVERSION:3.0\r\nN:佐藤;花子;;;\r\nFN:佐藤 花子\r\n"
        "X-PHONETIC-LAST-NAME:サトウ\r\nX-PHONETIC-FIRST-NAME:ハナコ\r\nEND:VCARD\r\n";
    TestDatabase database(velta::test::Backend::Embedded, [] {
        SchemaOptions unicode;
        unicode.characterSet = "UTF8";
        return unicode;
    }());
    auto dm = database.connect();
    ImportReader reader(cards);
    const QVector<Target> targets = matchHeaders(reader.headers());
    const ImportReport plain = importFile(*dm, reader, targets);
    EXPECT_EQ(plain.imported, 1);
    ASSERT_EQ(plain.refused.size(), 2);
    EXPECT_TRUE(plain.refused[0].contains("推定した読み: ヤマダタロウ"))
        << plain.refused[0].toStdString();
    EXPECT_TRUE(plain.refused[1].contains("𠮷")) << plain.refused[1].toStdString();
    EXPECT_EQ(database.scalar("select count(*) from MST_KOKYAKU"), 1);

    database.execute("delete from MST_KOKYAKU");
    const ImportReport suggested =
        importFile(*dm, reader, targets, {}, ImportOptions(ImportMode::Store, true));
    EXPECT_EQ(suggested.imported, 2);
    EXPECT_EQ(suggested.suggested, QStringList{"1 行目: 山田 太郎 → ヤマダタロウ"});
    EXPECT_EQ(suggested.refused.size(), 1); // 𠮷 is never guessed
    EXPECT_EQ(database.scalar("select count(*) from MST_KOKYAKU where NAMAE = '山田' and "
                              "HURIGANA = 'ヤマダタロウ' and JYUSYO = '東京都千代田区丸の内1-1-1' "
                              "and YUBINNO = '100-0005' and TEL = '090-1234-5678'"),
              1);
    EXPECT_EQ(database.scalar("select count(*) from MST_KOKYAKU where HURIGANA = 'サトウハナコ'"),
              1);
    EXPECT_TRUE(importSummary(suggested).contains("読みを推定した行（1 行"));
}

TEST(BookExchange, DuplicatesOfStoredRecipientsAndOfEarlierRowsAreListedAndSkippedOrAdded) {
    TestDatabase database;
    database.execute("insert into MST_KOKYAKU (KEY1, NAMAE, NAMAE2, HURIGANA, JYUSYO, JYUSYO2) "
                     "values (0, '山田', '太郎', 'ヤマダ', '東京都港区１－２', 'ハイツ　１０１')");
    // Widths and spaces differ from the stored row; 佐藤 comes twice in the file.
    const QByteArray csv = "姓,名,ふりがな,住所1,住所2\r\n"
                           "山田,太郎,ヤマダ,東京都港区1-2,ハイツ 101\r\n"
                           "佐藤,花子,サトウ,大阪府大阪市,\r\n"
                           "佐藤,花子,サトウ,大阪府大阪市,\r\n"
                           "山田,次郎,ヤマダ,東京都港区1-2,ハイツ 101\r\n";
    auto dm = database.connect();
    ImportReader reader(csv);
    const QVector<Target> targets = matchHeaders(reader.headers());
    const ImportReport check = importFile(*dm, reader, targets, {}, ImportMode::Check);
    EXPECT_EQ(check.duplicates, QStringList({"2 行目: 山田 太郎（宛名帳にすでにあります）",
                                             "4 行目: 佐藤 花子（3 行目と同じ）"}));
    EXPECT_EQ(database.scalar("select count(*) from MST_KOKYAKU"), 1);

    const ImportReport skipped = importFile(
        *dm, reader, targets, {}, ImportOptions(ImportMode::Store, false, Duplicates::Skip));
    EXPECT_EQ(skipped.imported, 2);
    EXPECT_EQ(database.scalar("select count(*) from MST_KOKYAKU where NAMAE = '山田'"), 2);
    EXPECT_EQ(database.scalar("select count(*) from MST_KOKYAKU where NAMAE = '佐藤'"), 1);
    EXPECT_TRUE(importSummary(skipped).contains("名前と住所がほかの宛名と重なった行（2 行）"));

    // Added anyway: every row goes in; the same file a second time finds all four again.
    const ImportReport added = importFile(*dm, reader, targets);
    EXPECT_EQ(added.imported, 4);
    EXPECT_EQ(added.duplicates.size(), 4);
    EXPECT_EQ(database.scalar("select count(*) from MST_KOKYAKU"), 7);
}

TEST(BookExchange, LayoutsOfOtherProgramsFillEveryFieldOnceAndLeaveWorkColumnsOut) {
    struct Layout {
        const char* name;
        QByteArray file;
        QStringList expected; // NAMAE … TEL as read back
        QStringList notImported;
        QList<std::pair<DetailField, QString>> details; // as read back
    };
    const QStringList yamada = {
        "山田", "太郎", "ヤマダタロウ", "100-0005", "東京都千代田区丸の内1-1", "丸の内ハイツ101",
        "花子", "一郎", "03-1111-2222"};
    const Layout layouts[] = {
        {"Thunderbird",
         "First Name,Last Name,Display Name,Nickname,Primary Email,Secondary Email,Screen Name,"
         "Work Phone,Home Phone,Fax Number,Pager Number,Mobile Number,Home Address,Home Address 2,"
         "Home City,Home State,Home ZipCode,Home Country,Work Address,Work Address 2,Work City,"
         "Work State,Work ZipCode,Work Country,Job Title,Department,Organization,Web Page 1,"
         "Web Page 2,Birth Year,Birth Month,Birth Day,Custom 1,Custom 2,Custom 3,Custom "
         "4,Notes,\r\n"
         "太郎,山田,山田 太郎,,taro@example.jp,,,03-9999-0000,,,,03-1111-2222,丸の内1-1,"
         "丸の内ハイツ101,千代田区,東京都,100-0005,日本,大手町1-1,,千代田区,東京都,100-0004,日本,"
         ",,山田商事,,,,,,,,,,\r\n",
         {"山田", "太郎", "", "100-0005", "東京都千代田区丸の内1-1", "丸の内ハイツ101", "", "",
          "03-1111-2222"},
         {"Work Address"},
         {{DetailField::Company, "山田商事"}, {DetailField::Honorific, "様"}}},
        {"postcard design kit",
         cp932::encode("氏名(姓),氏名(名),フリガナ(姓),フリガナ(名),郵便番号(自宅欄),"
                       "自宅住所(都道府県),自宅住所(市区町村),自宅住所(番地),自宅住所(建物名),"
                       "連名1,連名2,連名3,電話番号\r\n"
                       "山田,太郎,ヤマダ,タロウ,100-0005,東京都,千代田区,丸の内1-1,"
                       "丸の内ハイツ101,花子,一郎,次郎,03-1111-2222\r\n",
                       "test"),
         yamada,
         {},
         {{DetailField::JointName3, "次郎"}}},
        {"print shop",
         cp932::encode("姓1,名1,敬称1,名2,敬称2,名3,敬称3,フリガナ,郵便番号,住所1,住所2,電話\r\n"
                       "山田,太郎,様,花子,様,一郎,くん,ヤマダタロウ,100-0005,"
                       "東京都千代田区丸の内1-1,丸の内ハイツ101,03-1111-2222\r\n",
                       "test"),
         yamada,
         {},
         {{DetailField::Honorific, "様"},
          {DetailField::JointHonorific1, "様"},
          {DetailField(int(DetailField::JointHonorific1) + 1), "くん"}}},
        {"Outlook, Japanese headers",
         cp932::encode("姓,名,姓 (フリガナ),名 (フリガナ),会社名,番地 (会社),郵便番号 (会社),"
                       "番地 (自宅),番地 2 (自宅),市町村 (自宅),都道府県 (自宅),郵便番号 (自宅),"
                       "電話 (自宅),携帯電話\r\n"
                       "山田,太郎,ﾔﾏﾀﾞ,ﾀﾛｳ,山田商事,大手町1-1,100-0004,丸の内1-1,丸の内ハイツ101,"
                       "千代田区,東京都,100-0005,03-1111-2222,090-0000-0000\r\n",
                       "test"),
         {"山田", "太郎", "ヤマダタロウ", "100-0005", "東京都千代田区丸の内1-1", "丸の内ハイツ101",
          "", "", "03-1111-2222"},
         {"番地 (会社)", "郵便番号 (会社)"},
         {{DetailField::Company, "山田商事"}}},
    };
    for (const Layout& layout : layouts) {
        SCOPED_TRACE(layout.name);
        TestDatabase database;
        auto dm = database.connect();
        ImportReader reader(layout.file);
        const QVector<Target> targets = matchHeaders(reader.headers());
        for (const QString& header : layout.notImported)
            EXPECT_EQ(targets.value(reader.headers().indexOf(header)), Target::Ignore)
                << header.toStdString();
        importFile(*dm, reader, targets, {}, ImportOptions(ImportMode::Store, true));
        const QList<QStringList> stored = everyColumn(database);
        ASSERT_EQ(stored.size(), 1);
        QStringList expected = layout.expected;
        if (expected[2].isEmpty())
            expected[2] = "ヤマダタロウ"; // suggested, the file having none
        EXPECT_EQ(stored[0].mid(0, 9), expected);
        UnitOfWork work(*dm);
        const RecipientDetails details =
            DetailStore(*dm).read(database.scalar("select max(KEY1) from MST_KOKYAKU"));
        for (const auto& [field, text] : layout.details)
            EXPECT_EQ(detailText(details, field), text) << detailHeader(field).toStdString();
    }
}
