#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace velta {

// One record of a CSV text and the line it starts on (a quoted field may hold line breaks).
struct CsvRecord {
    int line = 0;
    QStringList fields;
};

// Bounds on what a CSV file may hold: far beyond any address book or Japan Post's data, near
// enough that a hostile file is refused at once instead of filling the memory.
constexpr int kMaxCsvFields = 1000;
constexpr qsizetype kMaxCsvFieldLength = 64 * 1024;

// RFC 4180 records: fields in double quotes may hold commas, quotes ("") and line breaks;
// CR LF and LF both end a record; blank lines are skipped. A record of more than
// kMaxCsvFields fields or a field longer than kMaxCsvFieldLength gives no records and `error`
// naming the line and the limit.
QList<CsvRecord> parseCsv(const QString& text, QString* error = nullptr);

// A whole file of at most `limit` bytes. Empty, with `error` in Japanese, when it cannot be
// read or is larger (nothing of it is read then).
QByteArray readBoundedFile(const QString& fileName, qint64 limit, QString* error);

// One record: every field quoted, so leading zeros (郵便番号 0600042) and 1-2-3 stay text.
QString csvLine(const QStringList& fields);

// A file's text: UTF-8 (with or without BOM) when it is valid UTF-8, else Shift-JIS (code
// page 932); `encoding` tells which was read. Nothing is ever replaced: bytes that neither
// reads (a vendor character, one broken byte in a UTF-8 file) give an empty text and `error`
// naming the line and the bytes.
QString decodeText(const QByteArray& bytes, QString* encoding, QString* error);

} // namespace velta
