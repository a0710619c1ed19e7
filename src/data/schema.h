#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace velta {

class TDM;

struct SchemaOptions {
    bool withVersionTable = true;
    QStringList versionRows{QStringLiteral("1.1.3")}; // VERSION_NO of rows KEY1 = 1, 2, …
    // The text columns' character set: SJIS_0208 (Shift-JIS, what other programs that read the
    // file expect) or UTF8 (every character, 髙 﨑 𠮷 included).
    QString characterSet = QStringLiteral("SJIS_0208");
    // Who creates, and so owns, the database (SYSDBA with the program's password by default).
    QString user = QStringLiteral("SYSDBA");
    QString password = {}; // empty: the program's own
};

// Creates a new database file (or server database) with the address book's tables, the key
// sequence and the trigger TRG_ID. Refuses to overwrite an existing database.
void createVeltaDatabase(const QString& databaseName, const SchemaOptions& options = {});

// Copies the address book (recipients, sender, versions, the recipients' details) of `source`
// into a new database file `target` made with `options`, keys included; the source is only
// read. The copy is made under `target` + ".part", finished (rows, key sequence, TRG_ID on)
// and closed there, and only then renamed to `target`: a program killed at any moment leaves
// no `target` or a whole one. A leftover ".part" of an interrupted copy is removed first
// (`*removedLeftover` says so). A failure removes the half-made copy. Returns the recipients
// copied, -1 when stopped through the progress.
QString partialCopyName(const QString& target);
qint64 copyVeltaDatabase(TDM& source, const QString& target, const SchemaOptions& options,
                         const std::function<bool(qint64, qint64)>& progress = {},
                         bool* removedLeftover = nullptr);

// Removes a database made by createVeltaDatabase (tests and tools).
void dropVeltaDatabase(const QString& databaseName);

class TIBQuery;
// Names the entry windows' captions (姓（苗字）, 住所1, メモ, …) for the address and sender
// columns a statement sets, so a refused character points at the field the user typed in.
void setFieldCaptions(TIBQuery& query);
struct TableDescription;
// The same for one of the program's own tables, by the captions its description gives.
void setFieldCaptions(TIBQuery& query, const TableDescription& table);

} // namespace velta
