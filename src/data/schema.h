#pragma once

#include <QString>
#include <QStringList>

namespace velta {

struct SchemaOptions {
    bool withVersionTable = true;
    QStringList versionRows{QStringLiteral("1.1.3")}; // VERSION_NO of rows KEY1 = 1, 2, …
};

// Creates a new database file (or server database) with the address book's tables, the key
// sequence and the trigger TRG_ID. Refuses to overwrite an existing database.
void createVeltaDatabase(const QString& databaseName, const SchemaOptions& options = {});

// Removes a database made by createVeltaDatabase (tests and tools).
void dropVeltaDatabase(const QString& databaseName);

class TIBQuery;
// Names the entry windows' captions (姓（苗字）, 住所1, メモ, …) for the address and sender
// columns a statement sets, so a refused character points at the field the user typed in.
void setFieldCaptions(TIBQuery& query);

} // namespace velta
