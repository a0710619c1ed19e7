#include "schema_version.h"

#include "dm.h"
#include "errors.h"

#include <algorithm>

namespace velta {

int schemaVersionNumber(const QString& versionNo) {
    QString digits;
    for (int position : {0, 2, 4})
        if (position < versionNo.size())
            digits += versionNo.at(position);
    bool ok = false;
    const int number = digits.toInt(&ok, 10);
    // toInt accepts a sign and blanks, a version digit never is one.
    const bool allDigits = std::all_of(digits.begin(), digits.end(), [](QChar c) {
        return c >= QLatin1Char('0') && c <= QLatin1Char('9');
    });
    if (!ok || !allDigits)
        throw DbError(
            QStringLiteral(
                "'%1' は整数ではありません。\nバージョン番号（VERSION_NO）「%2」を読み取れません。")
                .arg(digits, versionNo));
    return number;
}

QStringList userTables(TDM& dm) {
    TIBQuery& query = dm.IBQuery1;
    query.Clear();
    query.Add(QStringLiteral("select count(RDB$SYSTEM_FLAG) as ans from RDB$RELATIONS"));
    query.Add(QStringLiteral("where RDB$SYSTEM_FLAG = 0"));
    query.Open();
    const qint64 count = query.fieldInteger(QStringLiteral("ANS"));
    query.Close();

    QStringList tables;
    for (qint64 n = 0; n < count; ++n) {
        query.Clear();
        query.Add(QStringLiteral("SELECT FIRST 1 SKIP ") + QString::number(n) +
                  QStringLiteral("   RDB$RELATION_NAME AS list from RDB$RELATIONS"));
        query.Add(QStringLiteral("where RDB$SYSTEM_FLAG = 0 ORDER BY RDB$RELATION_NAME;"));
        query.Open();
        tables.append(query.fieldString(QStringLiteral("list")).trimmed());
        query.Close();
    }
    return tables;
}

bool tableExists(TDM& dm, const QString& name) {
    TIBQuery& query = dm.IBQuery1;
    query.Clear();
    query.Add(QStringLiteral(
        "select count(*) as N from RDB$RELATIONS where RDB$RELATION_NAME = :RELATION_NAME"));
    query.setString(QStringLiteral("RELATION_NAME"), name);
    query.Open();
    const bool exists = query.fieldInteger(QStringLiteral("N")) > 0;
    query.Close();
    return exists;
}

bool hasVersionTable(const QStringList& tables) {
    return tables.contains(QStringLiteral("VERSION_TBL"), Qt::CaseInsensitive);
}

int startupVersionReading(TDM& dm) {
    // The newest row, as the entry window reads it: the first row that happens to come back
    // may be an old version and would wrongly shut the address buttons.
    return entryFormVersionReading(dm);
}

int entryFormVersionReading(TDM& dm) {
    // The newest row is the one added last, the largest KEY1 (counting rows would ask for a
    // key that is not there once a row was removed).
    return schemaVersionNumber(
        readString(dm,
                   QStringLiteral("select (VERSION_NO) from VERSION_TBL where KEY1 = "
                                  "(select max(KEY1) from VERSION_TBL)"),
                   QStringLiteral("VERSION_NO")));
}

} // namespace velta
