// Recipient details live in the program's own tables beside MST_KOKYAKU.
#include "book_tables.h"
#include "detail_store.h"
#include "dm.h"
#include "errors.h"
#include "recipient_store.h"
#include "schema.h"
#include "test_database.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace velta;
using velta::test::TestDatabase;

namespace {

// Every column of MST_KOKYAKU as the catalogue describes it, as another program sees the table.
QStringList recipientTableShape(TDM& dm) {
    QStringList shape;
    TIBQuery& query = dm.IBQuery1;
    query.Clear();
    query.Add("select trim(f.RDB$FIELD_NAME) || ' ' || f.RDB$FIELD_POSITION || ' ' || "
              "t.RDB$FIELD_TYPE || ' ' || coalesce(t.RDB$CHARACTER_LENGTH, 0) from "
              "RDB$RELATION_FIELDS f join RDB$FIELDS t on t.RDB$FIELD_NAME = f.RDB$FIELD_SOURCE "
              "where f.RDB$RELATION_NAME = 'MST_KOKYAKU' order by f.RDB$FIELD_POSITION");
    for (query.Open(); !query.Eof(); query.Next())
        shape.append(query.fieldString(0));
    query.Close();
    query.Clear();
    query.Add("select count(*) from RDB$TRIGGERS where RDB$RELATION_NAME = 'MST_KOKYAKU'");
    query.Open();
    shape.append(QStringLiteral("triggers %1").arg(query.fieldInteger(0)));
    query.Close();
    dm.close();
    return shape;
}

RecipientRecord person(const QString& surname) {
    RecipientRecord record;
    record.surname = surname;
    record.reading = QStringLiteral("ヤマダ");
    record.year = 2026;
    record.month = 12;
    record.day = 9;
    return record;
}

qint64 addRecipient(TDM& dm, const QString& surname) {
    RecipientStore store(dm);
    UnitOfWork work(dm);
    const qint64 key = store.insertNew(person(surname), store.largestKey());
    work.commit();
    return key;
}

RecipientDetails everyDetail() {
    RecipientDetails details;
    details.honorific = QStringLiteral("御中");
    details.company = QStringLiteral("株式会社山田商事");
    details.department1 = QStringLiteral("総務部");
    details.department2 = QStringLiteral("人事課");
    details.title = QStringLiteral("部長");
    details.moreJointNames = {QStringLiteral("一郎"), QStringLiteral("次郎"),
                              QStringLiteral("アレクサンドラ")};
    for (int i = 0; i < 5; ++i)
        details.joints[i] = {i % 2 ? QStringLiteral("くん") : QStringLiteral("ちゃん"),
                             QStringLiteral("ヨミ%1").arg(i + 1)};
    details.groups = {QStringLiteral("会社"), QStringLiteral("取引先")};
    YearMarks y2026{2026, true, true, false, false, false, {}};
    YearMarks y2027{2027, false, false, true, false, true, QStringLiteral("祖父（十一月）")};
    details.years = {y2026, y2027};
    return details;
}

} // namespace

TEST(RecipientDetails, AnOlderBookOpensUnchangedAndGetsTheTablesOnlyWhenADetailIsSaved) {
    TestDatabase database;
    auto dm = database.connect();
    const QStringList shapeBefore = recipientTableShape(*dm);
    const qint64 key = addRecipient(*dm, QStringLiteral("山田"));
    {
        UnitOfWork work(*dm);
        DetailStore store(*dm);
        EXPECT_EQ(store.read(key), RecipientDetails{});
        EXPECT_TRUE(store.readAll().isEmpty());
        EXPECT_EQ(store.groupNames(), startingGroups());
        store.write(key, RecipientDetails{}); // nothing to store: nothing made
        store.remove(key);
        work.commit();
    }
    EXPECT_EQ(database.scalar("select count(*) from RDB$RELATIONS where RDB$RELATION_NAME "
                              "starting with 'VELTA_'"),
              0);

    ensureDetailTables(*dm);
    {
        UnitOfWork work(*dm);
        DetailStore(*dm).write(key, everyDetail());
        work.commit();
    }
    EXPECT_EQ(recipientTableShape(*dm), shapeBefore);
    EXPECT_EQ(database.scalar("select count(*) from VELTA_GROUP"), 5); // 4 + 取引先
    UnitOfWork work(*dm);
    EXPECT_EQ(DetailStore(*dm).groupNames(),
              QStringList({"家族", "親戚", "友人", "会社", "取引先"}));
}

TEST(RecipientDetails, EveryFieldIsReadBackAsWrittenAndDeletingTheRecipientDeletesThem) {
    TestDatabase database;
    auto dm = database.connect();
    ensureDetailTables(*dm);
    const qint64 kept = addRecipient(*dm, QStringLiteral("佐藤"));
    const qint64 key = addRecipient(*dm, QStringLiteral("山田"));
    ASSERT_NE(kept, key);
    const RecipientDetails details = everyDetail();
    {
        UnitOfWork work(*dm);
        DetailStore store(*dm);
        store.write(key, details);
        RecipientDetails other;
        other.groups = {QStringLiteral("友人")};
        store.write(kept, other);
        work.commit();
    }
    auto reread = [&] {
        UnitOfWork work(*dm);
        return DetailStore(*dm).read(key);
    };
    EXPECT_EQ(reread(), details);
    {
        UnitOfWork work(*dm);
        const QHash<qint64, RecipientDetails> all = DetailStore(*dm).readAll();
        EXPECT_EQ(all.size(), 2);
        EXPECT_EQ(all.value(key), details);
        EXPECT_EQ(all.value(kept).groups, QStringList({"友人"}));
    }

    { // a delete that does not commit leaves both the row and its details
        UnitOfWork work(*dm);
        RecipientStore(*dm).remove(key);
    }
    EXPECT_EQ(reread(), details);
    {
        UnitOfWork work(*dm);
        RecipientStore(*dm).remove(key);
        work.commit();
    }
    EXPECT_EQ(database.scalar(
                  QStringLiteral("select count(*) from MST_KOKYAKU where KEY1 = %1").arg(key)),
              0);
    for (const char* table : {"VELTA_DETAIL", "VELTA_GROUP_MEMBER", "VELTA_YEAR_MARK"})
        EXPECT_EQ(
            database.scalar(
                QStringLiteral("select count(*) from %1 where KEY1 = %2").arg(table).arg(key)),
            0)
            << table;
    UnitOfWork work(*dm);
    EXPECT_EQ(DetailStore(*dm).read(kept).groups, QStringList({"友人"}));
}

TEST(RecipientDetails, ANewRecipientNeverInheritsDetailsLeftUnderItsKey) {
    TestDatabase database;
    auto dm = database.connect();
    ensureDetailTables(*dm);
    const qint64 next = addRecipient(*dm, QStringLiteral("山田")) + 1;
    // Another program's leftovers under the key the next recipient gets.
    database.execute(
        QStringLiteral("insert into VELTA_DETAIL (KEY1, HONORIFIC) values (%1, '殿')").arg(next));
    database.execute(
        QStringLiteral(
            "insert into VELTA_YEAR_MARK (KEY1, CARD_YEAR, MOURNING) values (%1, 2027, 1)")
            .arg(next));
    RecipientStore store(*dm);
    UnitOfWork work(*dm);
    const qint64 key = store.insertNew(person(QStringLiteral("鈴木")), store.largestKey());
    EXPECT_EQ(key, next);
    DetailStore(*dm).write(key, RecipientDetails{});
    work.commit();
    UnitOfWork reading(*dm);
    EXPECT_EQ(DetailStore(*dm).read(key), RecipientDetails{});
}

TEST(RecipientDetails, MarksSetForManyRecipientsAreUndoneToExactlyWhatTheyWere) {
    TestDatabase database;
    auto dm = database.connect();
    ensureDetailTables(*dm);
    const qint64 a = addRecipient(*dm, QStringLiteral("山田"));
    const qint64 b = addRecipient(*dm, QStringLiteral("佐藤"));
    RecipientDetails received;
    received.setMarks({2027, false, true, false, false, false, QStringLiteral("")});
    {
        UnitOfWork work(*dm);
        DetailStore(*dm).write(b, received);
        work.commit();
    }
    MarkChange change;
    {
        UnitOfWork work(*dm);
        change = DetailStore(*dm).setMark({a, b}, 2027, &YearMarks::nengaSent, true);
        work.commit();
    }
    {
        UnitOfWork work(*dm);
        DetailStore store(*dm);
        EXPECT_TRUE(store.read(a).marksFor(2027).nengaSent);
        EXPECT_TRUE(store.read(b).marksFor(2027).nengaSent);
        EXPECT_TRUE(store.read(b).marksFor(2027).nengaReceived);
        EXPECT_FALSE(store.read(a).marksFor(2026).nengaSent);
        store.undo(change);
        work.commit();
    }
    UnitOfWork work(*dm);
    EXPECT_EQ(DetailStore(*dm).read(a), RecipientDetails{});
    EXPECT_EQ(DetailStore(*dm).read(b), received);
    EXPECT_EQ(database.scalar("select count(*) from VELTA_YEAR_MARK"), 1);
}

TEST(RecipientDetails, GroupNamesThatAFileCouldNotSeparateAreRefused) {
    TestDatabase database;
    auto dm = database.connect();
    ensureDetailTables(*dm);
    UnitOfWork work(*dm);
    DetailStore store(*dm);
    EXPECT_THROW(store.addGroup(QStringLiteral("友人、同僚")), ValueRefused);
    EXPECT_THROW(store.addGroup(QStringLiteral("　")), ValueRefused);
    store.addGroup(QStringLiteral("ゴルフ仲間"));
    store.removeGroup(QStringLiteral("親戚"));
    EXPECT_EQ(store.groupNames(), QStringList({"家族", "友人", "会社", "ゴルフ仲間"}));
}

TEST(RecipientDetails, YearFiltersSelectExactlyTheRecipientsTheySay) {
    auto with = [](YearMarks marks, QStringList groups = {}) {
        RecipientDetails details;
        details.groups = groups;
        details.setMarks(marks);
        return details;
    };
    const RecipientDetails none;
    const RecipientDetails sent = with({2027, true, false, false, false, false, {}});
    const RecipientDetails receivedOnly = with({2027, false, true, false, false, false, {}});
    const RecipientDetails receivedLastYear = with({2026, false, true, false, false, false, {}});
    const RecipientDetails mourning = with({2027, false, false, false, false, true, {}}, {"親戚"});
    const RecipientDetails mourningLastYear = with({2026, false, false, false, false, true, {}});

    auto selected = [&](const RecipientFilter& filter) {
        QStringList names;
        for (const auto& [name, details] : {std::pair{"none", &none},
                                            {"sent", &sent},
                                            {"receivedOnly", &receivedOnly},
                                            {"receivedLastYear", &receivedLastYear},
                                            {"mourning", &mourning},
                                            {"mourningLastYear", &mourningLastYear}})
            if (filter.matches(*details))
                names.append(QString::fromLatin1(name));
        return names;
    };
    EXPECT_EQ(selected({}).size(), 6);
    EXPECT_EQ(selected({{}, 2027}), QStringList({"none", "receivedOnly", "receivedLastYear",
                                                 "mourning", "mourningLastYear"}));
    EXPECT_EQ(selected({{}, 0, 2027}), QStringList({"none", "sent", "receivedOnly",
                                                    "receivedLastYear", "mourningLastYear"}));
    EXPECT_EQ(selected({{}, 0, 0, 2027}), QStringList({"receivedOnly"}));
    EXPECT_EQ(selected({{}, 2027, 2027}),
              QStringList({"none", "receivedOnly", "receivedLastYear", "mourningLastYear"}));
    EXPECT_EQ(selected({"親戚"}), QStringList({"mourning"}));
    EXPECT_EQ(greetingYear(QDate(2026, 12, 9)), 2027);
    EXPECT_EQ(greetingYear(QDate(2027, 1, 5)), 2027);
    EXPECT_EQ(greetingYear(QDate(2027, 9, 30)), 2027);
}

TEST(RecipientDetails, FileTextsOfEveryFieldComeBackAsTheyWentAndBadYearsAreRefused) {
    const RecipientDetails details = everyDetail();
    RecipientDetails read;
    for (int f = 0; f < int(DetailField::Count); ++f)
        EXPECT_EQ(setDetailText(read, DetailField(f), detailText(details, DetailField(f))), "")
            << detailHeader(DetailField(f)).toStdString();
    EXPECT_EQ(read, details);
    EXPECT_EQ(detailText(details, DetailField::NengaSentYears), "2026");
    EXPECT_EQ(detailText(details, DetailField::MourningNotes), "2027: 祖父（十一月）");
    EXPECT_EQ(detailText(details, DetailField::Groups), "会社、取引先");

    RecipientDetails typed;
    EXPECT_EQ(setDetailText(typed, DetailField::NengaSentYears, "２０２５、2026"), "");
    EXPECT_EQ(typed.years.size(), 2);
    const RecipientDetails before = typed;
    EXPECT_EQ(setDetailText(typed, DetailField::NengaSentYears, "2026 二〇二七"),
              "年賀状を出した年「二〇二七」は年ではありません。");
    EXPECT_EQ(setDetailText(typed, DetailField::MourningNotes, "祖父"),
              "喪中のメモ「祖父」は「2027: メモ」の形ではありません。");
    EXPECT_EQ(typed, before);

    EXPECT_EQ(printedHonorific("株式会社山田商事 御中", "様"), "");
    EXPECT_EQ(printedHonorific("山田", "先生"), "先生");
}
