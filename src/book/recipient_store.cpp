#include "recipient_store.h"

#include "detail_store.h"

#include "dm.h"
#include "errors.h"
#include "schema.h"
#include "statement_lines.h"

#include <QStringList>

namespace velta {
namespace {

// The columns of the entry window's insert and update, in the order the statements list them.
const QStringList kColumns = {"KEY1",      "IDNUM",      "NAMAE",      "NAMAE2",   "YUBINNO",
                              "JYUSYO",    "JYUSYO2",    "K_SHITU",    "SEIBETU",  "SEI_JEL",
                              "SEI_MUUSU", "SEI_SUPURE", "SEI_SONOTA", "SORI_AGO", "SORI_MAYU",
                              "MEMO",      "YEAR1",      "MONTH1",     "DAY1",     "TEL",
                              "key2",      "hurigana",   "renmei1",    "renmei2",  "LTIME"};

// The address list's statement for opening one recipient.
const char* const kReadLines[] = {"SELECT",
                                  "  KEY1,",
                                  "  IDNUM,",
                                  "  NAMAE,",
                                  "  NAMAE2,",
                                  "  YUBINNO,",
                                  "  JYUSYO,",
                                  "  JYUSYO2,",
                                  "  SEIBETU,",
                                  "  SEI_JEL,",
                                  "  SEI_MUUSU,",
                                  "  SEI_SUPURE,",
                                  "  SEI_SONOTA,",
                                  "  SORI_AGO,",
                                  "  SORI_MAYU,",
                                  "  MEMO,",
                                  "  YEAR1,",
                                  "  MONTH1,",
                                  "  DAY1,",
                                  "  LTIME,",
                                  "  KEY2,",
                                  "  renmei1,",
                                  "  renmei2,",
                                  "  hurigana,",
                                  "  tel",
                                  "FROM",
                                  "  MST_KOKYAKU",
                                  "WHERE",
                                  "  (KEY1       = :KEY1      )"};

// The same columns written over the row in place: the key stays as it is, no trigger runs.
void addUpdateStatement(TIBQuery& query) {
    query.Clear();
    query.Add(QStringLiteral("UPDATE MST_KOKYAKU SET"));
    for (qsizetype i = 1; i < kColumns.size(); ++i)
        query.Add(QStringLiteral("  ") + kColumns[i] + QStringLiteral(" = :") + kColumns[i] +
                  (i + 1 < kColumns.size() ? QStringLiteral(",") : QString()));
    query.Add(QStringLiteral("WHERE"));
    query.Add(QStringLiteral("  (KEY1   = :KEY1  );"));
}

void setOptional(TIBQuery& query, const QString& name, const std::optional<qint64>& value) {
    if (value)
        query.setInteger(name, *value);
    else
        query.setValue(name, ParamValue());
}

std::optional<qint64> optionalInteger(const TIBQuery& query, const QString& name) {
    const ParamValue value = query.fieldValue(name);
    if (const auto* number = std::get_if<qint64>(&value))
        return *number;
    return std::nullopt;
}

void setParameters(TIBQuery& query, const RecipientRecord& record) {
    query.setInteger(QStringLiteral("IDNUM"), record.idnum);
    query.setString(QStringLiteral("NAMAE"), record.surname);
    query.setString(QStringLiteral("NAMAE2"), record.givenName);
    query.setString(QStringLiteral("YUBINNO"), record.postalCode);
    query.setString(QStringLiteral("JYUSYO"), record.address1);
    query.setString(QStringLiteral("JYUSYO2"), record.address2);
    query.setString(QStringLiteral("K_SHITU"), QString());
    query.setInteger(QStringLiteral("SEIBETU"), record.gender);
    for (const char* unused :
         {"SEI_JEL", "SEI_MUUSU", "SEI_SUPURE", "SEI_SONOTA", "SORI_AGO", "SORI_MAYU"})
        query.setInteger(QString::fromLatin1(unused), 0);
    query.setString(QStringLiteral("MEMO"), record.memo);
    setOptional(query, QStringLiteral("YEAR1"), record.year);
    setOptional(query, QStringLiteral("MONTH1"), record.month);
    setOptional(query, QStringLiteral("DAY1"), record.day);
    query.setString(QStringLiteral("TEL"), record.telephone);
    setOptional(query, QStringLiteral("key2"), record.key2);
    query.setString(QStringLiteral("hurigana"), record.reading);
    query.setString(QStringLiteral("renmei1"), record.jointName1);
    query.setString(QStringLiteral("renmei2"), record.jointName2);
    query.setDateTime(QStringLiteral("LTIME"), QDateTime::currentDateTime());
    setFieldCaptions(query);
}

const QString kChangedMeanwhile = QStringLiteral(
    "この宛名は、開いた後にほかの画面またはプログラムで変更されました。\n"
    "上書きせずに中止しました（何も保存されていません）。\n宛名一覧から開き直してください。");

} // namespace

qint64 toInteger(const QString& text, const QString& fieldName) {
    bool ok = !text.isEmpty();
    for (qsizetype i = 0; ok && i < text.size(); ++i) {
        const QChar c = text.at(i);
        ok = (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
             (i == 0 && text.size() > 1 && (c == QLatin1Char('-') || c == QLatin1Char('+')));
    }
    qint64 value = ok ? text.toLongLong(&ok) : 0;
    if (!ok)
        throw ValueRefused(
            QStringLiteral("「%1」の値「%2」は整数ではありません。\n半角数字で入力してください。")
                .arg(fieldName, text));
    return value;
}

RecipientRecord recipientFromFields(const RecipientFields& fields, const RecipientRecord& stored) {
    RecipientRecord record = stored;
    // Every conversion happens before anything is sent.
    record.idnum = toInteger(fields.idnum.isEmpty() ? QStringLiteral("0") : fields.idnum,
                             QStringLiteral("I　D"));
    record.year = toInteger(fields.year, QStringLiteral("年"));
    record.month = toInteger(fields.month, QStringLiteral("月"));
    record.day = toInteger(fields.day, QStringLiteral("日"));
    record.surname = fields.surname;
    record.givenName = fields.givenName;
    record.postalCode = fields.postalCode;
    record.address1 = fields.address1;
    record.address2 = fields.address2;
    record.memo = fields.memo;
    if (fields.telephoneUsable)
        record.telephone = fields.telephone;
    record.reading = fields.reading;
    record.jointName1 = fields.jointName1;
    record.jointName2 = fields.jointName2;
    record.gender = fields.gender;
    return record;
}

qint64 RecipientStore::largestKey() {
    return readInteger(dm_, QStringLiteral("Select max (KEY1) as ANS FROM MST_KOKYAKU"),
                       QStringLiteral("ANS"));
}

std::optional<RecipientRecord> RecipientStore::read(qint64 key, bool lock) {
    TIBQuery& query = dm_.IBQuery1;
    query.Clear();
    for (const char* line : kReadLines)
        query.Add(QString::fromLatin1(line));
    if (lock)
        query.Add(QStringLiteral("FOR UPDATE WITH LOCK"));
    query.setInteger(QStringLiteral("KEY1"), key);
    query.Open();
    if (query.Eof()) {
        query.Close();
        return std::nullopt;
    }
    RecipientRecord record;
    record.key = query.fieldInteger(QStringLiteral("KEY1"));
    record.key2 = optionalInteger(query, QStringLiteral("KEY2"));
    record.idnum = optionalInteger(query, QStringLiteral("IDNUM")).value_or(0);
    record.surname = query.fieldString(QStringLiteral("NAMAE"));
    record.givenName = query.fieldString(QStringLiteral("NAMAE2"));
    record.reading = query.fieldString(QStringLiteral("hurigana"));
    record.postalCode = query.fieldString(QStringLiteral("YUBINNO"));
    record.address1 = query.fieldString(QStringLiteral("JYUSYO"));
    record.address2 = query.fieldString(QStringLiteral("JYUSYO2"));
    record.jointName1 = query.fieldString(QStringLiteral("renmei1"));
    record.jointName2 = query.fieldString(QStringLiteral("renmei2"));
    record.telephone = query.fieldString(QStringLiteral("tel"));
    record.memo = query.fieldString(QStringLiteral("MEMO"));
    record.gender = static_cast<int>(optionalInteger(query, QStringLiteral("SEIBETU")).value_or(0));
    record.year = optionalInteger(query, QStringLiteral("YEAR1"));
    record.month = optionalInteger(query, QStringLiteral("MONTH1"));
    record.day = optionalInteger(query, QStringLiteral("DAY1"));
    if (const ParamValue time = query.fieldValue(QStringLiteral("LTIME"));
        const auto* stamp = std::get_if<QDateTime>(&time))
        record.modified = *stamp;
    query.Close();
    return record;
}

qint64 RecipientStore::insertNew(const RecipientRecord& record, qint64 largestKey) {
    ensureKeyTriggerActive(dm_);
    TIBQuery& query = dm_.IBQuery1;
    query.Clear();
    addInsertLines(query, QStringLiteral("MST_KOKYAKU"), kColumns);
    RecipientRecord stored = record;
    stored.key2 = largestKey + 1;
    stored.modified = QDateTime::currentDateTime();
    setParameters(query, stored);
    query.setDateTime(QStringLiteral("LTIME"), stored.modified);
    query.setInteger(QStringLiteral("KEY1"), 0);
    query.ExecSQL();
    // The statement is the one other programs of the family run, without RETURNING: the row is
    // found again by its second key and the time just written.
    StoreStatement find(dm_);
    find.Add(QStringLiteral("select max(KEY1) as KEY1 from MST_KOKYAKU where KEY2 = :KEY2 and "
                            "LTIME = :LTIME"));
    find.setInteger(QStringLiteral("KEY2"), *stored.key2);
    find.setDateTime(QStringLiteral("LTIME"), stored.modified);
    find.Open();
    const qint64 key = find.fieldInteger(QStringLiteral("KEY1"));
    find.Close();
    return key;
}

void RecipientStore::replaceStored(const RecipientRecord& record, const RecipientRecord& opened) {
    // The row is locked while it is compared and written, so a second program's save waits
    // and then finds the row changed instead of overwriting it.
    const std::optional<RecipientRecord> stored = read(record.key, true);
    if (!stored)
        throw DbError(
            QStringLiteral(
                "この宛名は削除されています（KEY1 = %1）。\n宛名一覧から開き直してください。")
                .arg(record.key));
    if (*stored != opened) // LTIME included: any write since changes it
        throw DbError(kChangedMeanwhile);
    TIBQuery& query = dm_.IBQuery1;
    addUpdateStatement(query);
    setParameters(query, record);
    query.setInteger(QStringLiteral("KEY1"), record.key);
    query.ExecSQL();
}

void RecipientStore::remove(qint64 key) {
    TIBQuery& query = dm_.IBQuery1;
    query.Clear();
    query.Add(QStringLiteral("DELETE FROM MST_KOKYAKU"));
    query.Add(QStringLiteral("WHERE"));
    query.Add(QStringLiteral("  (KEY1   = :KEY1  );"));
    query.setInteger(QStringLiteral("KEY1"), key);
    query.ExecSQL();
    DetailStore(dm_).remove(key);
}

void ensureKeyTriggerActive(TDM& dm) {
    const bool inactive =
        readInteger(dm,
                    QStringLiteral("SELECT RDB$TRIGGER_INACTIVE AS ANS FROM RDB$TRIGGERS "
                                   "WHERE RDB$TRIGGER_NAME = 'TRG_ID'"),
                    QStringLiteral("ANS")) == 1;
    if (!inactive)
        return;
    TIBQuery& query = dm.IBQuery1;
    query.Clear();
    query.Add(QStringLiteral("ALTER TRIGGER TRG_ID ACTIVE ;"));
    query.ExecSQL();
    // The switch is committed on its own, so the insert that follows gets a key.
    dm.close();
    dm.open();
}

} // namespace velta
