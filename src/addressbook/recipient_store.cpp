#include "recipient_store.h"

#include "dm.h"
#include "errors.h"
#include "schema.h"

#include <QMap>

namespace velta {
namespace {

// The columns of the insert, in the order the statement lists them.
const QStringList kColumns = {"KEY1",      "IDNUM",      "NAMAE",      "NAMAE2",   "YUBINNO",
                              "JYUSYO",    "JYUSYO2",    "K_SHITU",    "SEIBETU",  "SEI_JEL",
                              "SEI_MUUSU", "SEI_SUPURE", "SEI_SONOTA", "SORI_AGO", "SORI_MAYU",
                              "MEMO",      "YEAR1",      "MONTH1",     "DAY1",     "TEL",
                              "key2",      "hurigana",   "renmei1",    "renmei2",  "LTIME"};

void addInsertStatement(TIBQuery& query) {
    query.Clear();
    query.Add(QStringLiteral("INSERT INTO MST_KOKYAKU"));
    query.Add(QStringLiteral("("));
    for (qsizetype i = 0; i < kColumns.size(); ++i)
        query.Add(QStringLiteral("  ") + kColumns[i] +
                  (i + 1 < kColumns.size() ? QStringLiteral(",") : QString()));
    query.Add(QStringLiteral(")"));
    query.Add(QStringLiteral("VALUES"));
    query.Add(QStringLiteral("("));
    for (qsizetype i = 0; i < kColumns.size(); ++i)
        query.Add(QStringLiteral("  :") + kColumns[i] +
                  (i + 1 < kColumns.size() ? QStringLiteral(",") : QString()));
    query.Add(QStringLiteral(");"));
}

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
        throw DbError(
            QStringLiteral("「%1」の値「%2」は整数ではありません。\n半角数字で入力してください。")
                .arg(fieldName, text));
    return value;
}

qint64 RecipientStore::largestKey() {
    return readInteger(dm_, QStringLiteral("Select max (KEY1) as ANS FROM MST_KOKYAKU"),
                       QStringLiteral("ANS"));
}

RecipientRow RecipientStore::read(qint64 key, bool lock) {
    TIBQuery& query = dm_.IBQuery1;
    query.Clear();
    query.Add(QStringLiteral("SELECT ") + kColumns.join(QStringLiteral(", ")) +
              QStringLiteral(" FROM MST_KOKYAKU"));
    query.Add(QStringLiteral("WHERE"));
    query.Add(QStringLiteral("  (KEY1       = :KEY1      )"));
    if (lock)
        query.Add(QStringLiteral("FOR UPDATE WITH LOCK"));
    query.setInteger(QStringLiteral("KEY1"), key);
    query.Open();
    RecipientRow row;
    if (!query.Eof())
        for (const QString& column : kColumns)
            row[column] = query.fieldValue(column);
    query.Close();
    return row;
}

void RecipientStore::setParameters(const RecipientFields& fields, const QString& storedTelephone) {
    // Every conversion happens before the statement runs.
    const qint64 idnum = toInteger(fields.idnum.isEmpty() ? QStringLiteral("0") : fields.idnum,
                                   QStringLiteral("I　D"));
    const qint64 year = toInteger(fields.year, QStringLiteral("年"));
    const qint64 month = toInteger(fields.month, QStringLiteral("月"));
    const qint64 day = toInteger(fields.day, QStringLiteral("日"));

    TIBQuery& query = dm_.IBQuery1;
    query.setInteger(QStringLiteral("IDNUM"), idnum);
    query.setString(QStringLiteral("NAMAE"), fields.surname);
    query.setString(QStringLiteral("NAMAE2"), fields.givenName);
    query.setString(QStringLiteral("YUBINNO"), fields.postalCode);
    query.setString(QStringLiteral("JYUSYO"), fields.address1);
    query.setString(QStringLiteral("JYUSYO2"), fields.address2);
    query.setString(QStringLiteral("K_SHITU"), QString());
    query.setInteger(QStringLiteral("SEIBETU"), fields.gender);
    for (const char* unused :
         {"SEI_JEL", "SEI_MUUSU", "SEI_SUPURE", "SEI_SONOTA", "SORI_AGO", "SORI_MAYU"})
        query.setInteger(QString::fromLatin1(unused), 0);
    query.setString(QStringLiteral("MEMO"), fields.memo);
    query.setInteger(QStringLiteral("YEAR1"), year);
    query.setInteger(QStringLiteral("MONTH1"), month);
    query.setInteger(QStringLiteral("DAY1"), day);
    query.setString(QStringLiteral("TEL"),
                    fields.telephoneUsable ? fields.telephone : storedTelephone);
    query.setString(QStringLiteral("hurigana"), fields.reading);
    query.setString(QStringLiteral("renmei1"), fields.jointName1);
    query.setString(QStringLiteral("renmei2"), fields.jointName2);
    query.setDateTime(QStringLiteral("LTIME"), QDateTime::currentDateTime());
    setFieldCaptions(query);
}

void RecipientStore::insertNew(const RecipientFields& fields, qint64 largestKey) {
    RollbackOnError rollback(dm_);
    ensureKeyTriggerActive(dm_);
    addInsertStatement(dm_.IBQuery1);
    setParameters(fields, QString());
    dm_.IBQuery1.setInteger(QStringLiteral("KEY1"), 0);
    dm_.IBQuery1.setInteger(QStringLiteral("KEY2"), largestKey + 1);
    dm_.IBQuery1.ExecSQL();
}

void RecipientStore::replaceStored(qint64 key, const QString& key2Text,
                                   const RecipientFields& fields, const RecipientRow& opened) {
    RollbackOnError rollback(dm_);
    // The row is locked while it is compared and written, so a second program's save waits
    // and then finds the row changed instead of overwriting it.
    const RecipientRow stored = read(key, true);
    if (stored.isEmpty())
        throw DbError(
            QStringLiteral(
                "この宛名は削除されています（KEY1 = %1）。\n宛名一覧から開き直してください。")
                .arg(key));
    if (!opened.isEmpty() && stored != opened)
        throw DbError(kChangedMeanwhile);
    const ParamValue storedTelephone = stored.value(QStringLiteral("TEL"));
    const auto* telephone = std::get_if<QString>(&storedTelephone);

    TIBQuery& query = dm_.IBQuery1;
    addUpdateStatement(query);
    setParameters(fields, telephone ? *telephone : QString());
    query.setInteger(QStringLiteral("KEY1"), key);
    if (key2Text == QLatin1String("Label17"))
        query.setValue(QStringLiteral("KEY2"), ParamValue());
    else
        query.setString(QStringLiteral("KEY2"), key2Text);
    query.ExecSQL();
}

void RecipientStore::finishRegistration() {
    dm_.close();
}

void RecipientStore::remove(qint64 key) {
    RollbackOnError rollback(dm_);
    dm_.open();
    TIBQuery& query = dm_.IBQuery1;
    query.Clear();
    query.Add(QStringLiteral("DELETE FROM MST_KOKYAKU"));
    query.Add(QStringLiteral("WHERE"));
    query.Add(QStringLiteral("  (KEY1   = :KEY1  );"));
    query.setInteger(QStringLiteral("KEY1"), key);
    query.ExecSQL();
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
