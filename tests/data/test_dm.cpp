// The data module against real databases, embedded and through a Firebird server on loopback.
#include "dm.h"
#include "errors.h"
#include "schema.h"
#include "schema_version.h"
#include "test_database.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QUuid>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace velta;
using velta::test::Backend;
using velta::test::TestDatabase;

namespace {

class DataModule : public velta::test::BackendTest {
protected:
    void SetUp() override {
        BackendTest::SetUp();
        if (!IsSkipped())
            dm = database->connect();
    }
    void TearDown() override {
        dm.reset();
        database.reset();
    }

    // Inserts a recipient with the given surname and reading through the shared statement.
    void insertRecipient(TIBQuery& query, const QString& surname, const QString& reading) {
        query.Clear();
        query.Add("insert into MST_KOKYAKU (KEY1, NAMAE, hurigana, YEAR1, LTIME)");
        query.Add("values (:key1, :namae, :HURIGANA, :year1, :ltime)");
        query.setInteger("KEY1", 0);
        query.setString("NAMAE", surname);
        query.setString("hurigana", reading);
        query.setString("YEAR1", "2026");
        query.setDateTime("LTIME", QDateTime(QDate(2026, 12, 9), QTime(10, 30, 15)));
        query.ExecSQL();
    }

    qint64 recipientCount() const { return database->scalar("select count(*) from MST_KOKYAKU"); }

    std::unique_ptr<TDM> dm;
};

} // namespace

TEST_P(DataModule, StatementOnAClosedConnectionOpensItAndCloseCommits) {
    EXPECT_FALSE(dm->IBDatabase1.Connected());
    insertRecipient(dm->IBQuery1, "山田", "やまだ");
    EXPECT_TRUE(dm->IBDatabase1.Connected());
    EXPECT_TRUE(dm->IBTransaction1.InTransaction());
    dm->close();
    EXPECT_FALSE(dm->IBDatabase1.Connected());
    EXPECT_EQ(recipientCount(), 1);
    dm->close(); // closing twice does nothing
}

TEST_P(DataModule, ParameterAndColumnNamesMatchWithoutLetterCase) {
    insertRecipient(dm->IBQuery1, "佐藤", "さとう");
    TIBQuery& query = dm->IBQuery1;
    query.Clear();
    query.Add("SELECT KEY1, NAMAE, HURIGANA, YEAR1, LTIME, KEY2 FROM MST_KOKYAKU");
    query.Add("WHERE");
    query.Add("  (KEY1       = :KEY1      )");
    query.setInteger("key1", 1);
    query.Open();
    ASSERT_FALSE(query.Eof());
    EXPECT_EQ(query.fieldString("hurigana"), "さとう");
    EXPECT_EQ(query.fieldString("Namae"), "佐藤");
    EXPECT_EQ(query.fieldInteger("year1"), 2026); // text sent to an integer column
    EXPECT_EQ(query.fieldString(3), "2026");
    EXPECT_EQ(query.fieldString("LTIME"), "2026/12/09 10:30:15");
    EXPECT_EQ(query.fieldString("KEY2"), ""); // NULL
    EXPECT_EQ(query.fieldInteger("KEY2"), 0);
    EXPECT_THROW(query.fieldString("NO_SUCH"), DbError);
    query.Close();
    dm->close();
}

TEST_P(DataModule, MissingRowsAndEmptyMaximumReadAsEmptyAndZero) {
    TIBQuery& query = dm->IBQuery1;
    query.Clear();
    query.Add("SELECT MAX(KEY1) as ANS FROM MST_KOKYAKU");
    query.Open();
    EXPECT_EQ(query.fieldInteger("ANS"), 0);
    EXPECT_EQ(query.fieldString("ans"), "");
    query.Clear();
    query.Add("select NAMAE from MST_KOKYAKU where KEY1 = :KEY1");
    query.setInteger("KEY1", 42);
    query.Open();
    EXPECT_TRUE(query.Eof());
    EXPECT_EQ(query.fieldString("NAMAE"), "");
    EXPECT_EQ(query.fieldInteger("NAMAE"), 0);
    dm->close();
}

TEST_P(DataModule, EmptyTextStoresNullInOtherColumnsAndEmptyTextInTextColumns) {
    TIBQuery& query = dm->IBQuery1;
    query.Add("insert into MST_KOKYAKU (KEY1, NAMAE, K_SHITU, KEY2) values (:KEY1, :NAMAE, "
              ":K_SHITU, :KEY2)");
    query.setInteger("KEY1", 0);
    query.setString("NAMAE", "鈴木");
    query.setString("K_SHITU", "");
    query.setString("KEY2", "");
    query.ExecSQL();
    dm->close();
    EXPECT_EQ(database->scalar("select count(*) from MST_KOKYAKU where KEY2 is null"), 1);
    EXPECT_EQ(database->scalar("select count(*) from MST_KOKYAKU where K_SHITU = ''"), 1);
}

TEST_P(DataModule, JapaneseTextRoundTripsThroughShiftJis) {
    const QString surname = QStringLiteral("髙橋"); // refused: an IBM extension
    const QString address = QStringLiteral("東京都千代田区千代田１－１　〒１００～ﾃｽﾄ ｶﾞ ー\\~");
    insertRecipient(dm->IBQuery1, address, QStringLiteral("たかはし"));
    dm->close();
    auto reader = database->connect();
    reader->IBQuery1.Add("select NAMAE from MST_KOKYAKU");
    reader->IBQuery1.Open();
    EXPECT_EQ(reader->IBQuery1.fieldString("NAMAE"), address);
    reader->close();
    EXPECT_THROW(insertRecipient(dm->IBQuery1, surname, "たかはし"), DbError);
}

TEST_P(DataModule, UnstorableCharacterIsRefusedBeforeItIsSentAndTheTransactionStaysAsItWas) {
    insertRecipient(dm->IBQuery1, "田中", "たなか");
    try {
        insertRecipient(dm->IBQuery1, QStringLiteral("山﨑"), "やまざき");
        FAIL() << "the server-refused character was accepted";
    } catch (const ValueRefused& error) {
        EXPECT_TRUE(error.message().contains(QStringLiteral("﨑")));
        EXPECT_TRUE(error.message().contains(QStringLiteral("NAMAE")));
    }
    // Nothing reached the server: what the transaction held is still there, for the caller to
    // keep (an import going on without that row) or to drop (a window's handler).
    EXPECT_TRUE(dm->IBDatabase1.Connected());
    {
        RollbackOnError rollback(*dm);
        try {
            insertRecipient(dm->IBQuery1, QStringLiteral("山﨑"), "やまざき");
        } catch (const ValueRefused&) {
        }
    } // left without an exception: nothing rolled back
    dm->close();
    EXPECT_EQ(recipientCount(), 1);
    insertRecipient(dm->IBQuery1, "伊藤", "いとう");
    dm->IBDatabase1.Abandon(); // what the program's error handler does
    EXPECT_EQ(recipientCount(), 1);
}

TEST_P(DataModule, TextLongerThanItsColumnIsRefusedBeforeTheStatementRuns) {
    insertRecipient(dm->IBQuery1, QString(1000, QChar(0x5C71)), "やま");
    dm->close();
    EXPECT_EQ(recipientCount(), 1);
    try {
        insertRecipient(dm->IBQuery1, QString(1001, QLatin1Char('a')), "やま");
        FAIL() << "a 1001-character surname was accepted";
    } catch (const DbError& error) {
        EXPECT_TRUE(error.message().contains(QStringLiteral("1000 文字")));
    }
    dm->close();
    EXPECT_EQ(recipientCount(), 1);
}

TEST_P(DataModule, WriteFollowedByServerFailureLeavesNothingCommitted) {
    insertRecipient(dm->IBQuery1, "伊藤", "いとう");
    TIBQuery& query = dm->IBQuery1;
    query.Clear();
    query.Add("select * from NO_SUCH_TABLE");
    try {
        query.Open();
        FAIL() << "a statement on a missing table ran";
    } catch (const DbError& error) {
        EXPECT_TRUE(error.message().contains("NO_SUCH_TABLE")) << error.message().toStdString();
        EXPECT_NE(error.sqlCode(), 0);
    }
    dm->close();
    EXPECT_EQ(recipientCount(), 0);
    // The next operation works normally.
    insertRecipient(dm->IBQuery1, "伊藤", "いとう");
    dm->close();
    EXPECT_EQ(recipientCount(), 1);
}

TEST_P(DataModule, ConnectionUsesShiftJisAndTheStatedTransaction) {
    TIBQuery& query = dm->IBQuery1;
    query.Add("select a.MON$CHARACTER_SET_ID as CS, a.MON$REMOTE_PROTOCOL as PROTO,");
    query.Add("  t.MON$ISOLATION_MODE as ISO, t.MON$LOCK_TIMEOUT as LT, t.MON$READ_ONLY as RO");
    query.Add("from MON$ATTACHMENTS a join MON$TRANSACTIONS t on t.MON$ATTACHMENT_ID = "
              "a.MON$ATTACHMENT_ID");
    query.Add("where a.MON$ATTACHMENT_ID = CURRENT_CONNECTION and t.MON$TRANSACTION_ID = "
              "CURRENT_TRANSACTION");
    query.Open();
    EXPECT_EQ(query.fieldInteger("CS"), 5);  // SJIS_0208, the later lc_ctype
    EXPECT_EQ(query.fieldInteger("ISO"), 3); // read committed, no record version
    EXPECT_EQ(query.fieldInteger("LT"), 10); // wait, but not for ever
    EXPECT_EQ(query.fieldInteger("RO"), 0);
    // Embedded attachments have no network protocol.
    EXPECT_EQ(query.fieldString("PROTO").trimmed().isEmpty(), database->embedded());
    dm->close();
}

TEST_P(DataModule, RepeatedTextIsPreparedOnce) {
    TIBQuery& query = dm->IBQuery1;
    const quint64 before = query.prepareCount();
    for (int key = 1; key <= 50; ++key) {
        query.Clear();
        query.Add("select NAMAE from MST_KOKYAKU where KEY1 = :KEY1");
        query.setInteger("KEY1", key);
        query.Open();
        EXPECT_TRUE(query.Eof());
        query.Close();
    }
    EXPECT_EQ(query.prepareCount() - before, 1u);
    dm->close();
}

TEST_P(DataModule, TriggerGivesKeysWhileActiveAndKeepsThemWhileInactive) {
    insertRecipient(dm->IBQuery1, "一", "いち");
    insertRecipient(dm->IBQuery1, "二", "に");
    dm->close();
    EXPECT_EQ(database->scalar("select max(KEY1) from MST_KOKYAKU"), 2);
    TIBQuery& query = dm->IBQuery1;
    query.Clear();
    query.Add("ALTER TRIGGER TRG_ID INACTIVE ;");
    query.ExecSQL();
    dm->close();
    query.Clear();
    query.Add("insert into MST_KOKYAKU (KEY1, NAMAE) values (:KEY1, :NAMAE)");
    query.setInteger("KEY1", 17);
    query.setString("NAMAE", "十七");
    query.ExecSQL();
    dm->close();
    query.Clear();
    query.Add("ALTER TRIGGER TRG_ID ACTIVE ;");
    query.ExecSQL();
    dm->close();
    EXPECT_EQ(database->scalar("select count(*) from MST_KOKYAKU where KEY1 = 17"), 1);
}

TEST_P(DataModule, UserTableListIsInNameOrderWithOneStatementPerTable) {
    database->execute("create view A_VIEW as select KEY1 from MST_KOKYAKU");
    const quint64 before = dm->IBQuery1.prepareCount();
    const QStringList tables = userTables(*dm);
    EXPECT_EQ(tables, QStringList({"A_VIEW", "MST_KOKYAKU", "MST_SASIDASI", "VERSION_TBL"}));
    EXPECT_EQ(dm->IBQuery1.prepareCount() - before, 5u);
    dm->close();
}

TEST_P(DataModule, VersionReadingsTakeTheNewestRowAtStartAndInTheEntryForm) {
    auto withRows = [&](const QStringList& rows) {
        TestDatabase versioned(GetParam(), SchemaOptions{true, rows});
        auto module = versioned.connect();
        const int start = startupVersionReading(*module);
        const int entry = entryFormVersionReading(*module);
        module->close();
        return std::pair{start, entry};
    };
    EXPECT_EQ(withRows({"1.0.0", "1.1.3"}), std::pair(113, 113));
    EXPECT_EQ(withRows({"1.1.2"}), std::pair(112, 112));

    TestDatabase gaps(GetParam(), SchemaOptions{true, {"1.0.0", "1.1.0", "1.1.3"}});
    gaps.execute("update VERSION_TBL set KEY1 = 5 where KEY1 = 3");
    auto module = gaps.connect();
    EXPECT_EQ(entryFormVersionReading(*module), 113); // the largest key, though rows are missing
    EXPECT_EQ(startupVersionReading(*module), 113);
    module->close();
}

TEST_P(DataModule, EmptyVersionTableFailsBothReadings) {
    TestDatabase empty(GetParam(), SchemaOptions{true, {}});
    auto module = empty.connect();
    EXPECT_THROW(startupVersionReading(*module), DbError);
    EXPECT_THROW(entryFormVersionReading(*module), DbError);
}

VELTA_ON_BOTH_BACKENDS(DataModule);

namespace {

// velta-createdb in a process of its own, with the lock folder left to the program (no
// XDG_RUNTIME_DIR, no FIREBIRD_LOCK) under `temp`: exit status and standard error.
int createIn(const QString& temp, const QString& database, QString* err) {
    QProcess tool;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("XDG_RUNTIME_DIR");
    environment.remove("FIREBIRD_LOCK");
    environment.insert("TMPDIR", temp);
    tool.setProcessEnvironment(environment);
    tool.start(VELTA_CREATEDB_PATH, {database});
    tool.waitForFinished(60000);
    *err = QString::fromUtf8(tool.readAllStandardError());
    return tool.exitCode();
}

} // namespace

TEST(LockFolder, OnlyAFolderOfTheUsersOwnIsUsed) {
    QTemporaryDir temp, elsewhere, data;
    const QString folder = temp.filePath(QString("velta-firebird-%1").arg(getuid()));
    QString err;
    // Another user's link planted where the folder would be: refused, nothing written there.
    ASSERT_TRUE(QFile::link(elsewhere.path(), folder));
    EXPECT_EQ(createIn(temp.path(), data.filePath("a.fdb"), &err), 1);
    EXPECT_TRUE(err.contains("ロック用フォルダー")) << err.toStdString();
    EXPECT_TRUE(QDir(elsewhere.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot));
    EXPECT_FALSE(QFile::exists(data.filePath("a.fdb")));
    QFile::remove(folder);
    // Another user's folder.
    if (getuid() == 0) {
        ASSERT_TRUE(QDir().mkdir(folder));
        ASSERT_EQ(::chown(QFile::encodeName(folder).constData(), 65534, 65534), 0);
        EXPECT_EQ(createIn(temp.path(), data.filePath("b.fdb"), &err), 1);
        EXPECT_TRUE(err.contains("ほかのユーザー")) << err.toStdString();
        QDir(folder).removeRecursively();
    }
    // Made by us, it is ours alone.
    EXPECT_EQ(createIn(temp.path(), data.filePath("c.fdb"), &err), 0) << err.toStdString();
    struct stat info {};
    ASSERT_EQ(::lstat(QFile::encodeName(folder).constData(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_EQ(info.st_uid, getuid());
}

TEST(ServerUser, AVeltaUserOwnsItsBookOverAnEncryptedConnection) {
    if (velta::test::serverDirectory().isEmpty())
        GTEST_SKIP() << "VELTA_TEST_SERVER_DIR is not set (scripts/test.sh starts the server)";
    TestDatabase admin(velta::test::Backend::Server);
    admin.execute("create or alter user VELTA_TEST password 'velta-test-pass' using plugin Srp");
    admin.execute("grant create database to user VELTA_TEST");
    QTemporaryDir work;
    QFile secret(work.filePath("velta.password"));
    ASSERT_TRUE(secret.open(QIODevice::WriteOnly));
    secret.write("velta-test-pass\n");
    secret.close();
    ASSERT_TRUE(secret.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
    const QString name = velta::test::serverHost() + ":" + velta::test::serverDirectory() + "/" +
                         QUuid::createUuid().toString(QUuid::WithoutBraces) + ".fdb";
    QProcess create;
    create.start(VELTA_CREATEDB_PATH,
                 {"--user", "VELTA_TEST", "--password-file", secret.fileName(), name});
    ASSERT_TRUE(create.waitForFinished(60000));
    ASSERT_EQ(create.exitCode(), 0) << create.readAllStandardError().toStdString();

    QFile ini(work.filePath("connect.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write(("[SECTION]\nMode=Server_SYS\nServer_SYS=" + name +
               "\nUser=VELTA_TEST\nPasswordFile=velta.password\n")
                  .toUtf8());
    ini.close();
    {
        TDM dm(work.path());
        EXPECT_EQ(readString(dm, "select current_user as U from RDB$DATABASE", "U"), "VELTA_TEST");
        // Over the network the book travels encrypted, or not at all.
        EXPECT_EQ(readString(dm,
                             "select rdb$get_context('SYSTEM', 'WIRE_ENCRYPTED') as W "
                             "from RDB$DATABASE",
                             "W"),
                  "TRUE");
        EXPECT_EQ(readString(dm,
                             "select trim(RDB$OWNER_NAME) as O from RDB$RELATIONS "
                             "where RDB$RELATION_NAME = 'MST_KOKYAKU'",
                             "O"),
                  "VELTA_TEST");
        dm.IBQuery1.Clear();
        dm.IBQuery1.Add(
            "insert into MST_KOKYAKU (KEY1, NAMAE, HURIGANA) values (0, '山田', 'やまだ')");
        dm.IBQuery1.ExecSQL();
        dm.close();
        EXPECT_EQ(readInteger(dm, "select KEY1 from MST_KOKYAKU", "KEY1"), 1);
        dm.close();
    }
    // A wrong password is a message, not a connection.
    ASSERT_TRUE(secret.open(QIODevice::WriteOnly | QIODevice::Truncate));
    secret.write("not-the-password\n");
    secret.close();
    TDM wrong(work.path());
    EXPECT_THROW(wrong.open(), DbError);
    dropVeltaDatabase(name);
    admin.execute("drop user VELTA_TEST using plugin Srp");
}

TEST(LockFolder, ANewBookTakesTheUsersUmask) {
    QTemporaryDir data;
    for (const auto& [mask, mode] : {std::pair{"077", 0600u}, std::pair{"022", 0644u}}) {
        const QString file = data.filePath(QString("book%1.fdb").arg(mask));
        QProcess tool;
        tool.start("sh", {"-c", QString("umask %1; exec \"$0\" \"$1\"").arg(mask),
                          VELTA_CREATEDB_PATH, file});
        ASSERT_TRUE(tool.waitForFinished(60000));
        ASSERT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
        struct stat info {};
        ASSERT_EQ(::stat(QFile::encodeName(file).constData(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, mode) << "umask " << mask;
    }
}
