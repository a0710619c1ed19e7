// The lists read by one statement give exactly what probing every key gave: the same rows,
// cells and order, also where keys have large gaps. The probing stays here as the reference.
#include "address_listing.h"
#include "composition.h"
#include "detail_store.h"
#include "dm.h"
#include "test_database.h"

#include <gtest/gtest.h>

using namespace velta;
using velta::test::Backend;
using velta::test::TestDatabase;

namespace {

// The former listing: one statement per key from 1 to the largest key + 1.
QList<QStringList> probeEveryKey(TDM& dm, const QStringList& statement, const QString& parameter,
                                 const QString& pattern, const QStringList& columns) {
    const qint64 largest = readInteger(dm, "SELECT MAX(KEY1) as ANS FROM MST_KOKYAKU", "ANS");
    QList<QStringList> rows;
    TIBQuery& query = dm.IBQuery1;
    for (qint64 key = 1; key <= largest + 1; ++key) {
        query.Clear();
        for (const QString& line : statement)
            query.Add(line);
        query.setInteger("KEY1", key);
        if (!parameter.isEmpty())
            query.setString(parameter, pattern);
        query.Open();
        if (!query.Eof()) {
            QStringList cells;
            for (const QString& column : columns)
                cells.append(query.fieldString(column));
            rows.append(cells);
        }
        query.Close();
    }
    return rows;
}

QList<QStringList> byOneStatement(TDM& dm, const QStringList& statement, const QString& parameter,
                                  const QString& pattern, const QStringList& columns) {
    QList<QStringList> rows;
    readInKeyOrder(dm, statement, parameter, pattern, [&](const TIBQuery& query) {
        QStringList cells;
        for (const QString& column : columns)
            cells.append(query.fieldString(column));
        rows.append(cells);
        return true;
    });
    return rows;
}

class Listing : public velta::test::BackendTest {
protected:
    void SetUp() override {
        BackendTest::SetUp();
        if (IsSkipped())
            return;
        auto dm = database->connect();
        TIBQuery& q = dm->IBQuery1;
        for (int i = 0; i < 40; ++i) {
            q.Clear();
            q.Add("insert into MST_KOKYAKU (KEY1, NAMAE, NAMAE2, HURIGANA, YUBINNO, JYUSYO, "
                  "JYUSYO2, MEMO, RENMEI1, TEL) values (0, :N, :G, :H, :P, :A, :B, :M, :R, :T)");
            q.setString("N", i % 7 == 0 ? QString() : QString("山田%1").arg(i)); // empty surnames
            q.setString("G", i % 3 ? "太郎" : "");
            q.setString("H", i % 5 == 0 ? QString() : QString("やまだ%1").arg(i)); // and readings
            q.setString("P", i % 4 ? "100-0001" : "");
            q.setString("A", i % 2 ? "東京都千代田区" : "大阪府");
            q.setString("B", i % 6 ? "" : "ハイツ");
            q.setString("M", i % 3 ? "年賀" : "");
            q.setString("R", i % 8 ? "" : "花子");
            q.setString("T", "03-1234");
            q.ExecSQL();
        }
        dm->close();
        // Large gaps: deleted keys and a key far beyond the others.
        database->execute("delete from MST_KOKYAKU where KEY1 in (3, 4, 5, 17, 30)");
        database->execute("update MST_KOKYAKU set KEY1 = 4000 where KEY1 = 12");
        database->execute("update MST_KOKYAKU set KEY1 = 2500 where KEY1 = 40");
    }
};

} // namespace

TEST_P(Listing, OneStatementGivesTheRowsCellsAndOrderOfProbingEveryKey) {
    auto dm = database->connect();
    const QStringList columns = {"KEY1",    "NAMAE", "NAMAE2", "hurigana", "YUBINNO", "JYUSYO",
                                 "JYUSYO2", "MEMO",  "tel",    "KEY2",     "LTIME",   "IDNUM"};
    struct Case {
        QStringList statement;
        QString parameter, pattern;
    };
    QList<Case> cases = {{listingStatement(), {}, {}}};
    for (SearchColumn column : {SearchColumn::Surname, SearchColumn::Address1,
                                SearchColumn::Address2, SearchColumn::Memo})
        for (const char* pattern : {"%", "%山田1%", "%東京%", "%ハイツ%", "%年賀%"})
            cases.append({searchStatement(column), searchParameter(column), pattern});
    int compared = 0;
    for (const Case& c : cases) {
        const auto expected = probeEveryKey(*dm, c.statement, c.parameter, c.pattern, columns);
        const auto actual = byOneStatement(*dm, c.statement, c.parameter, c.pattern, columns);
        EXPECT_EQ(actual, expected) << c.parameter.toStdString() << " " << c.pattern.toStdString();
        compared += static_cast<int>(expected.size());
    }
    EXPECT_GT(compared, 100);
    // The lists built on it: the address list's rows and the postcard grid's rows.
    QStringList expectedKeys, listedKeys;
    for (const QStringList& row : probeEveryKey(*dm, listingStatement(), {}, {}, {"KEY1", "NAMAE"}))
        if (!row[1].isEmpty())
            expectedKeys.append(row[0]);
    for (const RecipientRecord& record : listRecipients(*dm, listingStatement(), {}, {}))
        listedKeys.append(QString::number(record.key));
    EXPECT_EQ(listedKeys, expectedKeys);
    EXPECT_TRUE(listedKeys.contains("4000"));
    for (CardSearch search :
         {CardSearch::Surname, CardSearch::Address1, CardSearch::Address2, CardSearch::Memo}) {
        for (const CardRecipient& card : readCardRecipients(*dm, search, ""))
            EXPECT_FALSE(card.surname.isEmpty());
    }
    dm->close();
}

VELTA_ON_BOTH_BACKENDS(Listing);

TEST_P(Listing, PackedCardsUnpackToTheCardsTheSearchReadsAndTheFilterKeeps) {
    auto dm = database->connect();
    // A memo of separators and spaces, and a recipient in a group for the filter.
    database->execute("update MST_KOKYAKU set MEMO = '|,;　メモ ' where KEY1 = 2");
    ensureDetailTables(*dm);
    RecipientDetails family;
    family.groups = {"家族"};
    DetailStore(*dm).write(6, family);
    dm->close();
    for (CardSearch search :
         {CardSearch::Surname, CardSearch::Address1, CardSearch::Address2, CardSearch::Memo}) {
        const QList<CardRecipient> cards = readCardRecipients(*dm, search, "");
        const QHash<qint64, RecipientDetails> details = DetailStore(*dm).readAll();
        const QList<PackedCard> packed = readPackedCards(*dm, search, "", details, {});
        ASSERT_EQ(packed.size(), cards.size());
        for (qsizetype i = 0; i < cards.size(); ++i) {
            const CardRecipient card = packed[i].unpacked();
            EXPECT_EQ(card.key, cards[i].key);
            EXPECT_EQ(packed[i].key(), cards[i].key);
            EXPECT_EQ(packed[i].reading(), cards[i].reading);
            EXPECT_EQ(packed[i].postalCode(), cards[i].postalCode);
            EXPECT_EQ(QStringList({card.postalCode, card.address1, card.address2, card.surname,
                                   card.givenName, card.jointName1, card.jointName2, card.memo,
                                   card.reading}),
                      QStringList({cards[i].postalCode, cards[i].address1, cards[i].address2,
                                   cards[i].surname, cards[i].givenName, cards[i].jointName1,
                                   cards[i].jointName2, cards[i].memo, cards[i].reading}));
        }
        RecipientFilter filter;
        filter.group = "家族";
        const QList<PackedCard> grouped = readPackedCards(*dm, search, "", details, filter);
        ASSERT_EQ(grouped.size(), 1);
        EXPECT_EQ(grouped[0].key(), 6);
    }
    const QList<PackedCard> memo = readPackedCards(*dm, CardSearch::Memo, "メモ", {}, {});
    ASSERT_EQ(memo.size(), 1);
    EXPECT_EQ(memo[0].unpacked().memo, "|,;　メモ ");
    dm->close();
}
