#pragma once

#include <QString>
#include <QStringList>

namespace velta {

class TDM;

// Characters 1, 3 and 5 of a VERSION_NO joined and read as a decimal number (1.1.2 → 112).
// Throws when the result is empty or not a number.
int schemaVersionNumber(const QString& versionNo);

// Names of the database's own tables and views, trimmed, in name order (N + 1 statements).
QStringList userTables(TDM& dm);
bool hasVersionTable(const QStringList& tables);
// Whether the database has a table of that (upper-case) name: one statement.
bool tableExists(TDM& dm, const QString& name);

// The number of the newest VERSION_TBL row (the largest KEY1), read at start-up and by the
// entry window alike; throws when the table is empty.
int startupVersionReading(TDM& dm);
int entryFormVersionReading(TDM& dm);

} // namespace velta
