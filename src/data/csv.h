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

// RFC 4180 records: fields in double quotes may hold commas, quotes ("") and line breaks;
// CR LF and LF both end a record; blank lines are skipped.
QList<CsvRecord> parseCsv(const QString& text);

// One record: every field quoted, so leading zeros (郵便番号 0600042) and 1-2-3 stay text.
QString csvLine(const QStringList& fields);

// A file's text: UTF-8 (with or without BOM) when it is valid UTF-8, else Shift-JIS (code
// page 932); `encoding` tells which was read. Nothing is ever replaced: bytes that neither
// reads (a vendor character, one broken byte in a UTF-8 file) give an empty text and `error`
// naming the line and the bytes.
QString decodeText(const QByteArray& bytes, QString* encoding, QString* error);

} // namespace velta
