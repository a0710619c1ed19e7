// Registrations and edits under faults, each ending with the database read back: a program
// killed mid-edit, two programs editing one recipient, the success box and the commit, a
// trigger left off by another program.
#include "dm.h"
#include "errors.h"
#include "recipient_store.h"
#include "recorded_boxes.h"
#include "schema.h"
#include "test_database.h"
#include "thonnin1.h"
#include "tk_touroku1.h"

#include <QApplication>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <unistd.h>

using namespace velta;
using velta::test::Backend;
using velta::test::RecordedBoxes;
using velta::test::TestDatabase;

namespace {

const char* const kChildDatabase = "VELTA_EDIT_CHILD_DATABASE";

RecipientFields version(int n) {
    RecipientFields f;
    const QString v = QString::number(n);
    f.surname = "版" + v;
    f.reading = "ハン";
    f.address1 = "住所" + v;
    f.memo = "メモ" + v;
    f.year = "2026";
    f.month = "12";
    f.day = v;
    return f;
}

bool triggerActive(const TestDatabase& database) {
    return database.scalar("select RDB$TRIGGER_INACTIVE from RDB$TRIGGERS "
                           "where RDB$TRIGGER_NAME = 'TRG_ID'") == 0;
}

// Writes one recipient as the entry window's 登録 does.
void registerRecipient(TDM& dm, const RecipientFields& fields) {
    UnitOfWork work(dm);
    RecipientStore store(dm);
    store.insertNew(recipientFromFields(fields), store.largestKey());
    work.commit();
}

// Writes `fields` over the recipient as `opened` had it, as the entry window's 登録 does.
void replaceRecipient(TDM& dm, const RecipientRecord& opened, const RecipientFields& fields) {
    UnitOfWork work(dm);
    RecipientStore(dm).replaceStored(recipientFromFields(fields, opened), opened);
    work.commit();
}

RecipientRecord readRecipient(TDM& dm, qint64 key) {
    UnitOfWork work(dm);
    const std::optional<RecipientRecord> record = RecipientStore(dm).read(key);
    work.commit();
    if (!record)
        throw DbError(QStringLiteral("no recipient %1").arg(key));
    return *record;
}

void editRecipient(TDM& dm, qint64 key, const RecipientFields& fields) {
    replaceRecipient(dm, readRecipient(dm, key), fields);
}

} // namespace

// The child of EditKilledAtAnyMomentKeepsOldOrNewValues: edits recipient 1 and registers
// recipients without end, telling each commit on its standard output.
TEST(EditChild, DISABLED_EditsUntilKilled) {
    const QString name = qEnvironmentVariable(kChildDatabase);
    if (name.isEmpty())
        GTEST_SKIP();
    TDM dm(name, true);
    for (int n = 1;; ++n) {
        editRecipient(dm, 1, version(n));
        registerRecipient(dm, version(n));
        std::printf("%d\n", n);
        std::fflush(stdout);
    }
}

TEST(EditFaults, EditKilledAtAnyMomentKeepsOldOrNewValues) {
    TestDatabase database;
    {
        auto dm = database.connect();
        registerRecipient(*dm, version(0));
    }
    for (int round = 0; round < 6; ++round) {
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(kChildDatabase, database.name());
        // The engine's lock files of a process killed while attaching can stay locked (an
        // engine fault): each child gets lock files of its own, so no other test waits on them.
        QTemporaryDir lockFolder;
        environment.insert("FIREBIRD_LOCK", lockFolder.path());
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(),
                    {"--gtest_filter=EditChild.DISABLED_EditsUntilKilled",
                     "--gtest_also_run_disabled_tests"});
        ASSERT_TRUE(child.waitForStarted());
        ASSERT_TRUE(child.waitForReadyRead(30000)) << child.readAllStandardError().toStdString();
        // Killed at a different moment of its work each round.
        QThread::msleep(static_cast<unsigned long>(7 + round * 23));
        ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
        ASSERT_TRUE(child.waitForFinished(10000));

        auto reader = database.connect();
        TIBQuery& q = reader->IBQuery1;
        q.Add("select NAMAE, JYUSYO, MEMO, DAY1 from MST_KOKYAKU where KEY1 = 1");
        q.Open();
        ASSERT_FALSE(q.Eof()) << "recipient 1 was lost in round " << round;
        const QString n = q.fieldString("NAMAE").mid(1);
        // Every column from one and the same save.
        EXPECT_EQ(q.fieldString("JYUSYO"), "住所" + n);
        EXPECT_EQ(q.fieldString("MEMO"), "メモ" + n);
        EXPECT_EQ(q.fieldString("DAY1"), n);
        reader->close();
        EXPECT_TRUE(triggerActive(database));
        EXPECT_EQ(database.scalar("select count(*) from MST_KOKYAKU where KEY1 = 0"), 0);
        EXPECT_EQ(database.scalar("select count(*) from MST_KOKYAKU where KEY1 = 1"), 1);
    }
}

TEST(EditFaults, FullDiskRefusesWritesWholeAndKeepsWhatWasStored) {
    QTemporaryDir small;
    if (geteuid() != 0 ||
        QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=3m", "tmpfs", small.path()}) != 0)
        GTEST_SKIP() << "needs root to mount a small tmpfs";
    const QString name = small.filePath("DATA.GDB");
    {
        createVeltaDatabase(name);
        TDM dm(name, true);
        registerRecipient(dm, version(1));
        RecipientFields big = version(2);
        int stored = 1;
        QString failure;
        for (int i = 0; i < 2000 && failure.isEmpty(); ++i) {
            big.memo = QString("長").repeated(2000);
            try {
                registerRecipient(dm, big);
                ++stored;
            } catch (const DbError& error) {
                failure = error.message();
            }
        }
        ASSERT_FALSE(failure.isEmpty()) << "the disk never filled";
        EXPECT_TRUE(failure.contains("何も保存されていません")) << failure.toStdString();
        EXPECT_FALSE(dm.IBDatabase1.Connected());
        // Every registration is there whole or not at all, and recipient 1 is untouched.
        EXPECT_EQ(readInteger(dm, "select count(*) as N from MST_KOKYAKU", "N"), stored);
        EXPECT_EQ(readInteger(dm,
                              "select count(*) as N from MST_KOKYAKU where KEY1 = 1 and "
                              "MEMO = 'メモ1'",
                              "N"),
                  1);
        dm.close();
        try {
            RecipientFields edited = version(1);
            edited.memo = QString("新").repeated(2000);
            editRecipient(dm, 1, edited);
        } catch (const DbError&) {
        }
        EXPECT_EQ(readInteger(dm,
                              "select count(*) as N from MST_KOKYAKU where KEY1 = 1 and "
                              "(MEMO = 'メモ1' or MEMO starting with '新新')",
                              "N"),
                  1);
        dm.close();
    }
    dropVeltaDatabase(name);
    QProcess::execute("umount", {small.path()});
}

TEST(EditFaults, InactiveTriggerIsSwitchedOnBeforeARegistration) {
    TestDatabase database;
    database.execute("alter trigger TRG_ID inactive");
    auto dm = database.connect();
    registerRecipient(*dm, version(1));
    registerRecipient(*dm, version(2));
    EXPECT_TRUE(triggerActive(database));
    EXPECT_EQ(database.scalar("select count(*) from MST_KOKYAKU where KEY1 = 0"), 0);
    EXPECT_EQ(database.scalar("select count(distinct KEY1) from MST_KOKYAKU where KEY1 > 0"), 2);
}

using TwoPrograms = velta::test::BackendTest;

TEST_P(TwoPrograms, SecondSaveOfOneRecipientIsRefusedAndOverwritesNothing) {
    auto a = database->connect();
    auto b = database->connect();
    registerRecipient(*a, version(3));
    // Both open recipient 1 (as the address list does).
    const RecipientRecord openedByA = readRecipient(*a, 1);
    RecipientFields memoByB = version(3);
    memoByB.memo = "Bのメモ";
    editRecipient(*b, 1, memoByB);

    RecipientFields addressByA = version(3);
    addressByA.address1 = "Aの住所";
    try {
        replaceRecipient(*a, openedByA, addressByA);
        FAIL() << "the second save was not refused";
    } catch (const DbError& error) {
        EXPECT_TRUE(error.message().contains("ほかの画面またはプログラムで変更されました"))
            << error.message().toStdString();
    }
    EXPECT_FALSE(a->IBDatabase1.Connected()); // rolled back, nothing held
    EXPECT_EQ(database->scalar("select count(*) from MST_KOKYAKU where MEMO = 'Bのメモ' and "
                               "JYUSYO = '住所3'"),
              1);
}

VELTA_ON_BOTH_BACKENDS(TwoPrograms);

// An entry window opened as the menu opens it, on a database of its own.
class EntryWindows : public ::testing::Test {
protected:
    EntryWindows() : dm(database.connect()), entry(*dm) {
        entry.prepareNewRecipient();
        entry.show();
    }
    TestDatabase database;
    std::unique_ptr<TDM> dm;
    RecordedBoxes boxes;
    TK_touroku1 entry;
};

TEST_F(EntryWindows, EnterInAnySingleLineFieldMovesOnAndStoresNothing) {
    entry.Edit1->setText("山田");
    entry.Edit11->setText("ヤマダ");
    Thonnin1 sender(*dm);
    sender.show();
    sender.Edit1->setText("差出");
    sender.Edit11->setText("サシダシ");
    for (QWidget* window : {static_cast<QWidget*>(&entry), static_cast<QWidget*>(&sender)}) {
        QApplication::setActiveWindow(window);
        for (QLineEdit* field : window->findChildren<QLineEdit*>()) {
            if (!field->isEnabled() || !field->isVisible())
                continue;
            field->setFocus();
            QTest::keyClick(field, Qt::Key_Return);
            EXPECT_FALSE(field->hasFocus()) << field->objectName().toStdString();
        }
        EXPECT_TRUE(window->isVisible());
    }
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(database.scalar("select count(*) from MST_KOKYAKU"), 0);
    EXPECT_EQ(database.scalar("select count(*) from MST_SASIDASI"), 0);
}

TEST_F(EntryWindows, RefusalsNameTheCaptionTheUserTypedIn) {
    entry.Edit1->setText("髙橋");
    entry.Edit11->setText("タカハシ");
    QTest::mouseClick(entry.Button2, Qt::LeftButton);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.shown[0].text.contains("「姓（苗字）」に登録できない文字「髙」"))
        << boxes.shown[0].text.toStdString();
    EXPECT_FALSE(boxes.shown[0].text.contains("NAMAE"));
    entry.Edit1->setText("高橋");
    entry.Edit4->setText("東京都①");
    QTest::mouseClick(entry.Button2, Qt::LeftButton);
    EXPECT_TRUE(boxes.shown.back().text.contains("「住所1」"))
        << boxes.shown.back().text.toStdString();
    EXPECT_EQ(database.scalar("select count(*) from MST_KOKYAKU"), 0);

    try {
        readInKeyOrder(*dm,
                       {"select KEY1 from MST_KOKYAKU where KEY1 = :KEY1 and NAMAE like :NAMAE"},
                       "NAMAE", "%髙%", [](const TIBQuery&) { return true; });
        FAIL();
    } catch (const DbError& error) {
        EXPECT_TRUE(error.message().contains("検索できない文字")) << error.message().toStdString();
        EXPECT_FALSE(error.message().contains("登録"));
    }
}

TEST(EditFaults, SuccessIsToldOnlyAfterTheCommitWithNoConnectionOpen) {
    TestDatabase database;
    auto dm = database.connect();
    QStringList told;
    MessageService::setResponder([&](const MessageService::Shown& box) {
        // Whoever waits for this click must not hold the database.
        told.append((dm->IBDatabase1.Connected() ? "open: " : "closed: ") + box.text.trimmed());
        return box.kind == MessageService::Kind::Confirmation ? QMessageBox::Yes : QMessageBox::Ok;
    });
    TK_touroku1 entry(*dm);
    entry.prepareNewRecipient();
    entry.show();
    entry.Edit1->setText("山田");
    entry.Edit11->setText("ヤマダ");
    entry.Button2->click();
    ASSERT_EQ(database.scalar("select count(*) from MST_KOKYAKU"), 1);

    entry.showStoredRecipient(readRecipient(*dm, 1));
    entry.show();
    entry.Memo1->setPlainText("書き換え");
    entry.Button2->click();
    entry.Button2->click(); // a second save of the same window is no conflict
    entry.Button4->setEnabled(true);
    entry.Button4->click();

    Thonnin1 sender(*dm);
    sender.show();
    sender.Edit1->setText("差出");
    sender.Edit11->setText("サシダシ");
    sender.Button2->click();
    MessageService::setResponder({});

    EXPECT_EQ(database.scalar("select count(*) from MST_KOKYAKU"), 0);
    EXPECT_EQ(database.scalar("select count(*) from MST_SASIDASI"), 1);
    ASSERT_GE(told.size(), 5);
    for (const QString& line : told)
        EXPECT_TRUE(line.startsWith("closed: ")) << line.toStdString();
}
