#include "sender_store.h"

#include "dm.h"
#include "schema.h"
#include "statement_lines.h"

#include <QDateTime>
#include <QStringList>

namespace velta {
namespace {

const QStringList kInsertColumns = {"KEY1", "NAMAE",   "NAMAE2",  "YUBINNO", "JYUSYO",  "LMONEY",
                                    "MEMO", "YEAR1",   "MONTH1",  "DAY1",    "LTIME",   "TEL",
                                    "KEY2", "JYUSYO2", "renmei1", "renmei2", "HURIGANA"};

} // namespace

SenderRecord SenderStore::load() {
    UnitOfWork work(dm_);
    SenderRecord sender = read();
    work.commit();
    return sender;
}

SenderRecord SenderStore::read() {
    TIBQuery& query = dm_.IBQuery1;
    query.Clear();
    query.Add(QStringLiteral("SELECT"));
    for (const char* line : {"  KEY1,",        "  NAMAE,",   "  NAMAE2,",
                             "  YUBINNO,",     "  JYUSYO,",  "  LMONEY,",
                             "  MEMO,",        "  YEAR1,",   "  MONTH1,",
                             "  DAY1,",        "  LTIME,",   "  TEL,",
                             "  KEY2,",        "  JYUSYO2,", "  renmei1,",
                             "  renmei2,",     "  HURIGANA", "FROM",
                             "  MST_SASIDASI", "WHERE",      "  (KEY1       = :KEY1      )"})
        query.Add(QString::fromLatin1(line));
    query.setInteger(QStringLiteral("KEY1"), 1);
    query.Open();
    SenderRecord f;
    f.key2 = query.fieldString(QStringLiteral("KEY2"));
    f.year = query.fieldString(QStringLiteral("YEAR1"));
    f.month = query.fieldString(QStringLiteral("MONTH1"));
    f.day = query.fieldString(QStringLiteral("DAY1"));
    f.surname = query.fieldString(QStringLiteral("NAMAE"));
    f.givenName = query.fieldString(QStringLiteral("NAMAE2"));
    f.reading = query.fieldString(QStringLiteral("hurigana"));
    f.postalCode = query.fieldString(QStringLiteral("YUBINNO"));
    f.address1 = query.fieldString(QStringLiteral("JYUSYO"));
    f.address2 = query.fieldString(QStringLiteral("JYUSYO2"));
    f.jointName1 = query.fieldString(QStringLiteral("renmei1"));
    f.jointName2 = query.fieldString(QStringLiteral("renmei2"));
    f.memo = query.fieldString(QStringLiteral("MEMO"));
    f.telephone = query.fieldString(QStringLiteral("tel"));
    query.Close();
    return f;
}

void SenderStore::save(const SenderRecord& f) {
    UnitOfWork work(dm_);
    TIBQuery& query = dm_.IBQuery1;
    deleteRow();
    query.Clear();
    addInsertLines(query, QStringLiteral("MST_SASIDASI"), kInsertColumns);
    query.setInteger(QStringLiteral("KEY1"), 1);
    query.setString(QStringLiteral("NAMAE"), f.surname);
    query.setString(QStringLiteral("NAMAE2"), f.givenName);
    query.setString(QStringLiteral("YUBINNO"), f.postalCode);
    query.setString(QStringLiteral("JYUSYO"), f.address1);
    query.setString(QStringLiteral("LMONEY"), QString());
    query.setString(QStringLiteral("MEMO"), f.memo);
    query.setString(QStringLiteral("YEAR1"), f.year);
    query.setString(QStringLiteral("MONTH1"), f.month);
    query.setString(QStringLiteral("DAY1"), f.day);
    query.setDateTime(QStringLiteral("LTIME"), QDateTime::currentDateTime());
    query.setString(QStringLiteral("TEL"), f.telephone);
    query.setString(QStringLiteral("KEY2"), f.key2);
    query.setString(QStringLiteral("JYUSYO2"), f.address2);
    query.setString(QStringLiteral("renmei1"), f.jointName1);
    query.setString(QStringLiteral("renmei2"), f.jointName2);
    query.setString(QStringLiteral("HURIGANA"), f.reading);
    setFieldCaptions(query);
    // A refused or failing insert rolls the delete back with it (the data module's rule).
    query.ExecSQL();
    work.commit();
}

void SenderStore::remove() {
    UnitOfWork work(dm_);
    deleteRow();
    work.commit();
}

void SenderStore::deleteRow() {
    TIBQuery& query = dm_.IBQuery1;
    query.Clear();
    query.Add(QStringLiteral("DELETE FROM MST_SASIDASI"));
    query.Add(QStringLiteral("WHERE"));
    query.Add(QStringLiteral("  (KEY1   = :KEY1  );"));
    query.setInteger(QStringLiteral("KEY1"), 1);
    query.ExecSQL();
}

} // namespace velta
