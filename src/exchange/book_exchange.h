#pragma once

#include "book_import.h"
#include "csv.h"
#include "progress.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>

#include <stdexcept>

namespace velta {

class TDM;

// An exchange file that cannot be read or written; the message is shown as it stands.
class ExchangeError : public std::runtime_error {
public:
    explicit ExchangeError(const QString& message) : std::runtime_error(message.toStdString()) {}
};

enum class TextEncoding { Utf8, Cp932 }; // UTF-8 with BOM, or Shift-JIS (code page 932)

// Writes every column of every recipient, a header row first (姓, 名, ふりがな, 郵便番号, 住所1,
// 住所2, 連名1, 連名2, 電話番号, メモ, then the other columns by their names), in key order.
// The file replaces the old one only when whole. Returns the rows written, -1 when stopped.
// A character Shift-JIS cannot hold stops the export with its row and field named.
int exportBook(TDM& dm, const QString& fileName, TextEncoding encoding,
               const Progress& progress = {});

// A file to import as read: its headers and records. vCards come as a table whose headers are
// the fields they fill.
struct ImportTable {
    QString kind; // 「CSV（UTF-8）」, 「CSV（Shift-JIS）」, 「vCard」
    QStringList headers;
    QList<CsvRecord> rows;
};
// An address book of 100,000 recipients is about 30 MB of CSV.
constexpr qint64 kMaxImportFile = 128ll * 1024 * 1024;
ImportTable readImportFile(const QString& fileName);
ImportTable readImportBytes(const QByteArray& bytes);

// What a column of the file fills.
enum class Target {
    Ignore,
    Surname,
    GivenName,
    FullName, // 氏名: split at the first space into 姓 and 名
    Reading,
    ReadingSurname,
    ReadingGiven,
    PostalCode,
    Address1,
    Prefecture, // parts of 住所1, joined in this order without a separator
    City,
    Street,
    FormattedAddress, // a whole address, taken only when the row has no 住所1 in parts
    Address2,
    Joint1,
    Joint2,
    Telephone,
    Memo,
    OtherColumn // a column of our own export (IDNUM, YEAR1, …), named by its header
};
// The targets in the order the mapping dialog lists them, with their captions.
const QVector<std::pair<Target, QString>>& targetCaptions();
// Each header's target by its usual Japanese (and English) names; the rest are ignored.
QVector<Target> matchHeaders(const QStringList& headers);

// Each record of the table as the book's columns.
QVector<ImportRow> mapRows(const ImportTable& table, const QVector<Target>& targets);

} // namespace velta
