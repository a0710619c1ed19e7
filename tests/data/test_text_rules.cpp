// Pure rules of the data layer: connect.ini, parameter rewriting, Shift-JIS, version numbers.
#include "connect_settings.h"
#include "cp932.h"
#include "csv.h"
#include "dm.h"
#include "errors.h"
#include "schema_version.h"
#include "sql_parameters.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace velta;

namespace {

void writeIni(const QTemporaryDir& dir, const QByteArray& text) {
    QFile file(dir.filePath(QStringLiteral("connect.ini")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

QString localPath(const QTemporaryDir& dir) {
    return QDir::toNativeSeparators(dir.path() + QStringLiteral("/data/DATA.GDB"));
}

} // namespace

TEST(ConnectSettings, LocalModeSelectsDataFolderOfTheWorkingDirectory) {
    QTemporaryDir dir;
    writeIni(dir, "[SECTION]\r\nMode=local_SYS\r\nServer_SYS=ignored:/x.gdb\r\n");
    const DatabaseLocation location = resolveDatabaseLocation(dir.path());
    EXPECT_EQ(location.name, localPath(dir));
    EXPECT_TRUE(location.local);
}

TEST(ConnectSettings, SectionAndKeyNamesIgnoreLetterCaseButModeDoesNot) {
    QTemporaryDir dir;
    writeIni(dir, "[section]\nMODE = local_SYS\n");
    EXPECT_EQ(resolveDatabaseLocation(dir.path()).name, localPath(dir));

    writeIni(dir, "[SECTION]\nMode=LOCAL_SYS\n");
    const DatabaseLocation upper = resolveDatabaseLocation(dir.path());
    EXPECT_TRUE(upper.name.isEmpty());
    EXPECT_FALSE(upper.local);
}

TEST(ConnectSettings, OtherModeHandsServerNameOverUnchanged) {
    QTemporaryDir dir;
    writeIni(dir, "[SECTION]\nMode=Server_SYS\nserver_sys=localhost:/srv/velta/DATA.GDB\n");
    const DatabaseLocation location = resolveDatabaseLocation(dir.path());
    EXPECT_EQ(location.name, QStringLiteral("localhost:/srv/velta/DATA.GDB"));
    EXPECT_FALSE(location.local);
    // A quoted value is unquoted, as Windows reads INI files.
    writeIni(dir, "[SECTION]\nMode=Server_SYS\nServer_SYS=\"localhost:/srv/velta/DATA.GDB\"\n");
    EXPECT_EQ(resolveDatabaseLocation(dir.path()).name, "localhost:/srv/velta/DATA.GDB");
}

TEST(ConnectSettings, KeysOfOtherSectionsAreNotRead) {
    QTemporaryDir dir;
    writeIni(dir, "[OTHER]\nMode=local_SYS\nServer_SYS=a:/b\n[SECTION]\n");
    EXPECT_TRUE(resolveDatabaseLocation(dir.path()).name.isEmpty());
}

TEST(ConnectSettings, MissingFileGivesEmptyNameAndAClearErrorAtFirstOpen) {
    QTemporaryDir dir;
    EXPECT_TRUE(resolveDatabaseLocation(dir.path()).name.isEmpty());
    TDM dm(dir.path());
    EXPECT_FALSE(dm.IBDatabase1.Connected());
    try {
        dm.open();
        FAIL() << "opened without a database name";
    } catch (const DbError& error) {
        EXPECT_TRUE(error.message().contains(QStringLiteral("データベース名が設定されていません")));
    }
}

TEST(ConnectSettings, DataModuleCarriesTheConnectionAndTransactionParameters) {
    QTemporaryDir dir;
    writeIni(dir, "[SECTION]\nMode=local_SYS\n");
    TDM dm(dir.path());
    EXPECT_EQ(dm.IBDatabase1.DatabaseName, localPath(dir));
    EXPECT_TRUE(dm.IBDatabase1.EmbeddedOnly);
    EXPECT_EQ(dm.IBDatabase1.Params, QStringList({"user_name=SYSDBA", "password=tidewater",
                                                  "lc_ctype=UTF8", "lc_ctype=SJIS_0208"}));
    EXPECT_EQ(dm.IBTransaction1.Params,
              QStringList({"read_committed", "no_rec_version", "wait", "lock_timeout=10"}));
}

TEST(ConnectSettings, ServerUsersPasswordsComeFromAFileOnlyTheyCanRead) {
    QTemporaryDir dir;
    QFile secret(dir.filePath("velta.password"));
    ASSERT_TRUE(secret.open(QIODevice::WriteOnly));
    secret.write("s3cret pass\n");
    secret.close();
    writeIni(dir, "[SECTION]\nMode=Server_SYS\nServer_SYS=office:/srv/velta/DATA.GDB\n"
                  "User=VELTA\nPasswordFile=velta.password\n");
    // Others may read it: refused, said at the first database operation.
    ASSERT_TRUE(secret.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
    DatabaseLocation location = resolveDatabaseLocation(dir.path());
    EXPECT_TRUE(location.password.isEmpty());
    EXPECT_TRUE(location.problem.contains("chmod 600")) << location.problem.toStdString();
    TDM refused(dir.path());
    try {
        refused.open();
        ADD_FAILURE() << "opened with a password file others can read";
    } catch (const DbError& error) {
        EXPECT_TRUE(error.message().contains("velta.password")) << error.message().toStdString();
    }
    ASSERT_TRUE(secret.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
    location = resolveDatabaseLocation(dir.path());
    EXPECT_EQ(location.user, "VELTA");
    EXPECT_EQ(location.password, "s3cret pass");
    EXPECT_TRUE(location.problem.isEmpty());
    TDM dm(dir.path());
    EXPECT_TRUE(dm.IBDatabase1.Params.contains("user_name=VELTA"));
    EXPECT_TRUE(dm.IBDatabase1.Params.contains("password=s3cret pass"));

    // A user with no password at all is asked for it by the program; a tool says it has none.
    writeIni(dir, "[SECTION]\nMode=Server_SYS\nServer_SYS=office:/x.gdb\nUser=VELTA\n");
    location = resolveDatabaseLocation(dir.path());
    EXPECT_TRUE(location.askPassword);
    TDM unasked(dir.path());
    EXPECT_TRUE(unasked.IBDatabase1.SettingsProblem.contains("パスワードがありません"));
    int asked = 0;
    setPasswordPrompt([&](const QString& user, const QString& database) {
        ++asked;
        EXPECT_EQ(user, "VELTA");
        EXPECT_EQ(database, "office:/x.gdb");
        return QStringLiteral("typed");
    });
    TDM first(dir.path()), second(dir.path());
    setPasswordPrompt({});
    EXPECT_EQ(asked, 1); // kept while the program runs
    EXPECT_TRUE(second.IBDatabase1.Params.contains("password=typed"));
    // Nothing said: the program's own SYSDBA, as before.
    writeIni(dir, "[SECTION]\nMode=local_SYS\n");
    location = resolveDatabaseLocation(dir.path());
    EXPECT_EQ(location.user, "SYSDBA");
    EXPECT_EQ(location.password, defaultPassword());
}

TEST(SqlParameters, NamedParametersBecomePositionalOutsideQuotesAndComments) {
    const PositionalSql sql = toPositional("select ':NOT' as a, \"x:y\" from T -- :c\nwhere KEY1 = "
                                           ":KEY1 and /* :d */ X=:x_2 or Y = :key1");
    EXPECT_EQ(sql.names, QStringList({"KEY1", "x_2", "key1"}));
    EXPECT_EQ(sql.text,
              "select ':NOT' as a, \"x:y\" from T -- :c\nwhere KEY1 = ? and /* :d */ X=? or Y = ?");
}

TEST(ShiftJis, KanaKanjiAndInputMethodPunctuationRoundTrip) {
    const QString text = QStringLiteral("山田 太郎　ヤマダ ﾀﾛｳ ０３－１２３４～ー\\~");
    const QByteArray bytes = cp932::encode(text, QStringLiteral("NAMAE"));
    EXPECT_EQ(cp932::decode(bytes), text);
    // U+FF0D and U+FF5E take their code page 932 codes.
    EXPECT_TRUE(bytes.contains("\x81\x7C"));
    EXPECT_TRUE(bytes.contains("\x81\x60"));
    EXPECT_EQ(cp932::characterCount(bytes), text.size());
}

TEST(ShiftJis, ControlCharactersAreRefusedButTabsAndLineBreaksAreText) {
    EXPECT_EQ(cp932::encode(QStringLiteral("一\t二\r\n三"), QStringLiteral("メモ")).size(), 9);
    for (const char16_t control : {u'\0', u'\a', u'\x1B', u'\x1F', u'\x7F'}) {
        const QString text = QStringLiteral("山") + QChar(control) + QStringLiteral("田");
        EXPECT_THROW(cp932::encode(text, QStringLiteral("メモ")), DbError) << int(control);
    }
}

TEST(ShiftJis, JisLookAlikesFromLinuxInputMethodsAreStoredAsTheirShiftJisCodes) {
    const struct {
        const char16_t* typed;
        const char* code;
        const char16_t* readBack;
    } cases[] = {{u"〜", "\x81\x60", u"～"}, {u"−", "\x81\x7C", u"－"}, {u"—", "\x81\x5C", u"―"},
                 {u"‖", "\x81\x61", u"∥"},   {u"¢", "\x81\x91", u"￠"}, {u"£", "\x81\x92", u"￡"},
                 {u"¬", "\x81\xCA", u"￢"}};
    for (const auto& c : cases) {
        const QByteArray bytes =
            cp932::encode(QString::fromUtf16(c.typed), QStringLiteral("住所1"));
        EXPECT_EQ(bytes, QByteArray(c.code)) << QString::fromUtf16(c.typed).toStdString();
        EXPECT_EQ(cp932::decode(bytes), QString::fromUtf16(c.readBack));
    }
}

TEST(ShiftJis, CharactersThatWouldNotComeBackAreRefusedByName) {
    const QString cases[] = {QStringLiteral("¥"), QStringLiteral("髙"), QStringLiteral("﨑"),
                             QStringLiteral("①"), QStringLiteral("😀"),  QStringLiteral("한")};
    for (const QString& character : cases) {
        try {
            cp932::encode(QStringLiteral("山") + character + QStringLiteral("田"),
                          QStringLiteral("JYUSYO"));
            ADD_FAILURE() << "accepted " << character.toStdString();
        } catch (const DbError& error) {
            EXPECT_TRUE(error.message().contains(character)) << error.message().toStdString();
            EXPECT_TRUE(error.message().contains(QStringLiteral("JYUSYO")));
        }
    }
}

TEST(SchemaVersion, DigitsOneThreeAndFiveFormTheNumber) {
    EXPECT_EQ(schemaVersionNumber("1.1.2"), 112);
    EXPECT_EQ(schemaVersionNumber("2.0.0"), 200);
    EXPECT_EQ(schemaVersionNumber("1.1"), 11);
    EXPECT_EQ(schemaVersionNumber("1-1-3-beta"), 113);
    EXPECT_THROW(schemaVersionNumber(""), DbError);
    EXPECT_THROW(schemaVersionNumber("a.1.2"), DbError);
    EXPECT_THROW(schemaVersionNumber("1. .2"), DbError);
}

TEST(SchemaVersion, UserTableLookupIgnoresLetterCase) {
    EXPECT_TRUE(hasVersionTable({"MST_KOKYAKU", "version_tbl"}));
    EXPECT_FALSE(hasVersionTable({"MST_KOKYAKU", "VERSION_TBL2"}));
}

TEST(CsvPieces, RecordsAreTheSameWhereverTheTextIsCut) {
    // Quotes doubled and at a field's end, a quoted line break, CR LF, a lone CR, a blank line.
    const QString text = QStringLiteral("姓,住所\r\n\"山田\",\"東京都\r\n港区\"\r\n\"say "
                                        "\"\"hi\"\"\",a\rb\r\n\r\n佐藤,\"\"\r\n鈴木,x");
    QString error;
    const QList<CsvRecord> whole = parseCsv(text, &error);
    ASSERT_TRUE(error.isEmpty());
    ASSERT_EQ(whole.size(), 5);
    EXPECT_EQ(whole[1].fields, QStringList({"山田", "東京都\r\n港区"}));
    EXPECT_EQ(whole[2].fields, QStringList({"say \"hi\"", "a\rb"}));
    for (qsizetype cut = 0; cut <= text.size(); ++cut) {
        CsvReader reader;
        reader.feed(QStringView(text).first(cut));
        reader.feed(QStringView(text).sliced(cut));
        reader.finish();
        QList<CsvRecord> pieces;
        for (CsvRecord record; reader.takeRecord(record);)
            pieces.append(record);
        ASSERT_EQ(pieces.size(), whole.size()) << cut;
        for (qsizetype i = 0; i < whole.size(); ++i) {
            EXPECT_EQ(pieces[i].fields, whole[i].fields) << cut;
            EXPECT_EQ(pieces[i].line, whole[i].line) << cut;
        }
    }
}

TEST(TextPieces, PiecesEndAtLineEndsAndDecodeToTheWholeText) {
    const QString text =
        QStringLiteral("姓,ふりがな\r\n髙橋,タカハシ\r\n𠮷野,ヨシノ\r\n").repeated(40);
    QByteArray utf16(QByteArrayLiteral("\xFF\xFE"));
    for (QChar c : text)
        utf16 += QByteArray(1, char(c.unicode() & 0xFF)) + QByteArray(1, char(c.unicode() >> 8));
    const QString sjisText = QString(text)
                                 .remove(QStringLiteral("𠮷野,ヨシノ\r\n"))
                                 .replace(QStringLiteral("髙"), QStringLiteral("高"));
    const std::pair<QByteArray, QString> files[] = {{"\xEF\xBB\xBF" + text.toUtf8(), text},
                                                    {utf16, text},
                                                    {cp932::encode(sjisText, "test"), sjisText}};
    for (const auto& [bytes, expected] : files) {
        TextDecoding decoding;
        QString error;
        ASSERT_TRUE(decoding.detect(bytes, &error)) << error.toStdString();
        QString decoded;
        for (qsizetype at = 0, end; at < bytes.size(); at = end) {
            end = decoding.pieceEnd(bytes, at, 37);
            ASSERT_GT(end, at);
            ASSERT_TRUE(decoding.decode(bytes, at, end, decoded, &error)) << error.toStdString();
            EXPECT_TRUE(decoded.endsWith(QLatin1Char('\n')) || end == bytes.size());
        }
        EXPECT_EQ(decoded, expected) << decoding.name().toStdString();
    }
}
