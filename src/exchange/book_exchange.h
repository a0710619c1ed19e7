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
// 住所2, 連名1, 連名2, 電話番号, メモ, then the other columns by their names, then the details:
// 敬称, 会社名, …, グループ, each year's marks), in key order.
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
    qsizetype rowCount = 0; // all the file's rows, when `rows` holds only the first ones
};
// An address book of 100,000 recipients is about 30 MB of CSV.
constexpr qint64 kMaxImportFile = 128ll * 1024 * 1024;
ImportTable readImportBytes(const QByteArray& bytes);

// An import file read a record at a time: its bytes are held as the file has them and its text
// is decoded and parsed a piece at a time, so memory does not grow with its rows (a CSV of
// 100,000 rows needs its 30 MB and little more). vCards (a phone's contacts) are read whole
// and handed out the same way. Everything that cannot be read throws ExchangeError.
class ImportReader {
public:
    explicit ImportReader(QByteArray bytes);
    static ImportReader open(const QString& fileName);

    const QString& kind() const { return kind_; }
    const QStringList& headers() const { return headers_; }
    // The next record after the headers; false at the end.
    bool next(CsvRecord& record);
    // Back to the first record.
    void rewind();
    // Bytes read so far and in all, for a progress.
    qint64 position() const { return position_; }
    qint64 size() const { return bytes_.size(); }

private:
    bool readPiece();
    QByteArray bytes_;
    TextDecoding decoding_;
    QString kind_;
    QStringList headers_;
    CsvReader csv_;
    qsizetype position_ = 0;
    QList<CsvRecord> cards_; // vCards, read whole
    qsizetype nextCard_ = 0;
    bool vCards_ = false;
};

// The headers, the first `previewRows` records and the number of all of them.
ImportTable readImportPreview(const QString& fileName, int previewRows);

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
    OtherColumn, // a column of our own export (IDNUM, YEAR1, …), named by its header
    FirstDetail  // then one target per DetailField, in its order (detailTarget)
};
Target detailTarget(DetailField field);
// The detail a target fills; Count for the book's own columns.
DetailField detailOf(Target target);
// The targets in the order the mapping dialog lists them, with their captions.
const QVector<std::pair<Target, QString>>& targetCaptions();
// Each header's target by its usual Japanese (and English) names; the rest are ignored.
QVector<Target> matchHeaders(const QStringList& headers);

// A record as the book's columns, by the targets of the file's headers.
ImportRow mapRecord(const CsvRecord& record, const QStringList& headers,
                    const QVector<Target>& targets);

// Maps and stores every record of the reader (importRows, one pass, one transaction).
ImportReport importFile(TDM& dm, ImportReader& reader, const QVector<Target>& targets,
                        const Progress& progress = {}, ImportOptions options = {});

} // namespace velta
