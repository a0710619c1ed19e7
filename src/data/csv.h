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

// The same records from a text given a piece at a time (a file decoded piece by piece): a
// piece may end anywhere, inside a quoted field or between CR and LF.
class CsvReader {
public:
    // Reads a piece; the records it completes wait for takeRecord.
    void feed(QStringView piece);
    // No more text: the last record ends here.
    void finish();
    // The oldest completed record; false when none waits.
    bool takeRecord(CsvRecord& record);
    // Why the text is refused (a limit); empty while it is fine. Nothing more is read then.
    const QString& error() const { return error_; }

private:
    void take(QChar c);
    void endField();
    void endRecord();
    QList<CsvRecord> ready_;
    qsizetype taken_ = 0; // records of ready_ already handed out
    CsvRecord record_{1, {}};
    QString field_, error_;
    int line_ = 1;
    bool quoted_ = false, fieldStarted_ = false;
    bool quoteInQuoted_ = false;  // a '"' inside quotes: a doubled quote or the closing one
    bool carriageReturn_ = false; // a CR outside quotes: a line end when LF follows
};

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

// The same decoding a piece at a time, so a large file's text never exists whole: detect looks
// at every byte once (nothing decoded), then each piece that pieceEnd gives (whole lines) is
// decoded on its own. A byte that cannot be read is found by the decoding of its piece.
class TextDecoding {
public:
    bool detect(QByteArrayView bytes, QString* error);
    QString name() const;                          // 「UTF-8」「Shift-JIS」「UTF-16」
    qsizetype textStart() const { return start_; } // after a byte-order mark
    // The end of the piece that starts at `from`: the first line end after about `size` bytes.
    qsizetype pieceEnd(QByteArrayView bytes, qsizetype from, qsizetype size) const;
    // The text of bytes [from, to) added to `text`; false with `error` naming the line and the
    // bytes when one cannot be read.
    bool decode(QByteArrayView bytes, qsizetype from, qsizetype to, QString& text,
                QString* error) const;

private:
    enum class Kind { Utf8, ShiftJis, Utf16Little, Utf16Big } kind_ = Kind::Utf8;
    qsizetype start_ = 0;
};

} // namespace velta
