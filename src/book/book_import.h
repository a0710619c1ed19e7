#pragma once

#include "progress.h"
#include "recipient_details.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

namespace velta {

class TDM;

// How an exchange file writes a TIMESTAMP column (LTIME).
inline const QString kExchangeTimestampFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz");

// A row of an exchange file mapped to the book's columns (NAMAE, HURIGANA, …), with the file's
// line for the messages that name it.
struct ImportRow {
    ImportRow(int line = 0, QMap<QString, QString> values = {})
        : line(line), values(std::move(values)) {}
    int line;
    QMap<QString, QString> values;
    RecipientDetails details; // stored beside the row when not the defaults
    QString refusal;          // a value the file holds that cannot be read (a year, …)
};

struct ImportReport {
    int imported = 0;
    QStringList refused; // 「5 行目: 姓がありません」
    QStringList suggested; // 「5 行目: 山田 太郎 → ヤマダタロウ」, readings not in the file
    // 「6 行目: 山田 太郎（宛名帳にすでにあります）」 or 「（3 行目と同じ）」: the same name and
    // address, widths and spaces folded, as a stored recipient or an earlier row.
    QStringList duplicates;
    bool stopped = false;
};

// Stores the rows that can be stored, in one transaction: a row without 姓 or ふりがな, or with
// a value the database cannot store (a character, a length, a number), is refused and reported
// with its line (never changed); a stop or a database failure stores nothing. Imported rows get
// what the entry window writes where the file says nothing (today's date, zero flags, the time
// of the import). The count is of the rows read back after the commit.
// A check finds the same refusals and counts the rows that would be stored, writing nothing.
// The rows come one at a time from `nextRow` (false: no more), so a large file is never held
// whole; the progress is told the rows done so far and -1.
enum class ImportMode { Store, Check };
enum class Duplicates { Add, Skip };
struct ImportOptions {
    ImportOptions(ImportMode mode = ImportMode::Store, bool suggestReadings = false,
                  Duplicates duplicates = Duplicates::Add)
        : mode(mode), suggestReadings(suggestReadings), duplicates(duplicates) {}
    ImportMode mode;
    // A row without a reading takes the one suggestReading gives, when it reads every part,
    // and is listed in the report's `suggested` for review; otherwise it is refused.
    bool suggestReadings;
    // Duplicates are listed either way; Skip leaves them out.
    Duplicates duplicates;
    // The file has columns of details (敬称, 会社名, …): their tables are made if need be.
    bool withDetails = false;
};
using ImportRowSource = std::function<bool(ImportRow& row)>;
ImportReport importRows(TDM& dm, const ImportRowSource& nextRow, const Progress& progress = {},
                        ImportOptions options = {});
ImportReport importRows(TDM& dm, const QVector<ImportRow>& rows, const Progress& progress = {},
                        ImportOptions options = {});
// What makes two recipients the same: surname, given name and both address lines with widths,
// letter case and spaces folded (「山田　太郎」「東京都港区１－２」 and 「山田
// 太郎」「東京都港区1-2」).
QString duplicateKey(const QString& surname, const QString& givenName, const QString& address1,
                     const QString& address2);
// That key in 20 bytes, for sets of many.
QByteArray duplicateDigest(const QString& surname, const QString& givenName,
                           const QString& address1, const QString& address2);

// The first `shown` lines of a list, and 「ほか 12 行」 for the rest.
QString listedLines(const QStringList& lines, int shown = 20);

// 「12 件の宛名を取り込みました。」 and the first refusals, for a message box or a terminal.
QString importSummary(const ImportReport& report, int refusalsShown = 20);

} // namespace velta
