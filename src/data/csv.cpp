#include "csv.h"

#include "cp932.h"

#include <QFile>
#include <QStringDecoder>

#include <algorithm>

namespace velta {

void CsvReader::endField() {
    record_.fields.append(field_);
    field_.clear();
    fieldStarted_ = false;
}

void CsvReader::endRecord() {
    endField();
    if (!(record_.fields.size() == 1 && record_.fields[0].isEmpty()))
        ready_.append(std::move(record_));
    record_ = CsvRecord{line_, {}};
}

void CsvReader::take(QChar c) {
    if (quoteInQuoted_) {
        quoteInQuoted_ = false;
        if (c == QLatin1Char('"')) {
            field_ += c;
            return;
        }
        quoted_ = false; // that quote closed the field; c is read outside the quotes
    }
    if (carriageReturn_) {
        carriageReturn_ = false;
        if (c != QLatin1Char('\n')) { // a lone CR is text
            field_ += QLatin1Char('\r');
            fieldStarted_ = true;
        }
    }
    if (field_.size() > kMaxCsvFieldLength || record_.fields.size() >= kMaxCsvFields) {
        error_ =
            QStringLiteral("%1 行目: %2。何も取り込んでいません。")
                .arg(record_.line)
                .arg(field_.size() > kMaxCsvFieldLength
                         ? QStringLiteral("項目が長すぎます（%1 文字まで）").arg(kMaxCsvFieldLength)
                         : QStringLiteral("列が多すぎます（%1 列まで）").arg(kMaxCsvFields));
        return;
    }
    if (quoted_) {
        if (c == QLatin1Char('"')) {
            quoteInQuoted_ = true;
            return;
        }
        if (c == QLatin1Char('\n'))
            ++line_;
        field_ += c;
        return;
    }
    if (c == QLatin1Char('"') && !fieldStarted_) {
        quoted_ = fieldStarted_ = true;
    } else if (c == QLatin1Char(',')) {
        endField();
    } else if (c == QLatin1Char('\r')) {
        carriageReturn_ = true;
    } else if (c == QLatin1Char('\n')) {
        ++line_;
        endRecord();
    } else {
        field_ += c;
        fieldStarted_ = true;
    }
}

void CsvReader::feed(QStringView piece) {
    for (qsizetype i = 0; i < piece.size() && error_.isEmpty(); ++i)
        take(piece[i]);
}

void CsvReader::finish() {
    if (!error_.isEmpty())
        return;
    if (quoteInQuoted_) {
        quoteInQuoted_ = false;
        quoted_ = false;
    }
    if (carriageReturn_) {
        carriageReturn_ = false;
        field_ += QLatin1Char('\r');
        fieldStarted_ = true;
    }
    if (fieldStarted_ || !field_.isEmpty() || !record_.fields.isEmpty())
        endRecord();
}

bool CsvReader::takeRecord(CsvRecord& record) {
    if (taken_ >= ready_.size()) {
        ready_.clear();
        taken_ = 0;
        return false;
    }
    record = std::move(ready_[taken_++]);
    return true;
}

QList<CsvRecord> parseCsv(const QString& text, QString* error) {
    CsvReader reader;
    reader.feed(text);
    reader.finish();
    if (!reader.error().isEmpty()) {
        if (error)
            *error = reader.error();
        return {};
    }
    QList<CsvRecord> records;
    for (CsvRecord record; reader.takeRecord(record);)
        records.append(std::move(record));
    return records;
}

QByteArray readBoundedFile(const QString& fileName, qint64 limit, QString* error) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("「%1」を開けません。\n%2").arg(fileName, file.errorString());
        return {};
    }
    if (file.size() > limit) {
        *error = QStringLiteral("「%1」は大きすぎます（%2 MB まで）。何も取り込んでいません。")
                     .arg(fileName)
                     .arg(limit / (1024 * 1024));
        return {};
    }
    QByteArray bytes = file.read(limit + 1);
    if (bytes.size() > limit || file.error() != QFileDevice::NoError) { // grew, or a read error
        *error = QStringLiteral("「%1」を読めません。\n%2").arg(fileName, file.errorString());
        return {};
    }
    return bytes;
}

QString csvLine(const QStringList& fields) {
    QStringList quoted;
    for (const QString& field : fields)
        quoted.append(QLatin1Char('"') +
                      QString(field).replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
                      QLatin1Char('"'));
    return quoted.join(QLatin1Char(',')) + QStringLiteral("\r\n");
}

namespace {

// How UTF-8-like some bytes are: the first byte that does not begin a well-formed UTF-8
// sequence (-1: none), how many such bytes there are, and how many well-formed multi-byte
// sequences. Shift-JIS text has broken sequences everywhere and well-formed ones by chance;
// UTF-8 text with a damaged byte has almost only well-formed ones.
struct Utf8Scan {
    qsizetype firstBad = -1, bad = 0, multiByte = 0;
};

// The length of the well-formed UTF-8 sequence at `at`; 0 when there is none (stray
// continuation bytes, overlong forms, surrogates, beyond U+10FFFF, cut short).
int utf8SequenceLength(QByteArrayView bytes, qsizetype at) {
    const auto byte = [&](qsizetype i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80)
        return 1;
    const int length = lead >= 0xC2 && lead <= 0xDF   ? 2
                       : (lead >> 4) == 0xE           ? 3
                       : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                      : 0;
    if (length == 0 || at + length > bytes.size())
        return 0;
    for (int k = 1; k < length; ++k)
        if ((byte(at + k) & 0xC0) != 0x80)
            return 0;
    const unsigned char second = byte(at + 1);
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second >= 0xA0) ||
        (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second >= 0x90))
        return 0;
    return length;
}

Utf8Scan scanUtf8(QByteArrayView bytes) {
    Utf8Scan scan;
    for (qsizetype i = 0; i < bytes.size();) {
        const int length = utf8SequenceLength(bytes, i);
        if (length == 0) {
            if (scan.firstBad < 0)
                scan.firstBad = i;
            ++scan.bad;
            ++i;
            continue;
        }
        scan.multiByte += length > 1;
        i += length;
    }
    return scan;
}

qsizetype lineOf(QByteArrayView bytes, qsizetype at) {
    return std::count(bytes.begin(), bytes.begin() + at, '\n') + 1;
}

QString badBytes(QByteArrayView bytes, qsizetype at, const QString& kind) {
    const qsizetype line = lineOf(bytes, at);
    QStringList shown;
    for (qsizetype i = at; i < std::min(at + 2, bytes.size()); ++i)
        shown.append(QStringLiteral("0x%1")
                         .arg(static_cast<unsigned char>(bytes[i]), 2, 16, QLatin1Char('0'))
                         .toUpper()
                         .replace("0X", "0x"));
    return QStringLiteral("%1 行目（%2 バイト目）の %3 は %4 として読めません。何も取り込んで"
                          "いません。ファイルの文字コードを確かめてください。")
        .arg(line)
        .arg(at + 1)
        .arg(shown.join(QLatin1Char(' ')), kind);
}

} // namespace

bool TextDecoding::detect(QByteArrayView bytes, QString* error) {
    auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    // UTF-16 (what some phones and Windows programs write) says so by its byte-order mark.
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        kind_ = bytes.startsWith("\xFF\xFE") ? Kind::Utf16Little : Kind::Utf16Big;
        start_ = 2;
        return true;
    }
    // No text file holds a NUL: a binary file (a picture, a spreadsheet) is not read as rows.
    if (const qsizetype nul = bytes.indexOf('\0'); nul >= 0)
        return fail(QStringLiteral("%1 行目（%2 バイト目）に NUL があります。テキストファイル"
                                   "（CSV・vCard）ではないようです。何も取り込んでいません。")
                        .arg(lineOf(bytes, nul))
                        .arg(nul + 1));
    const bool bom = bytes.startsWith("\xEF\xBB\xBF");
    start_ = bom ? 3 : 0;
    const QByteArrayView body = bytes.sliced(start_);
    const Utf8Scan scan = scanUtf8(body);
    kind_ = Kind::Utf8;
    if (scan.firstBad < 0)
        return true;
    // A UTF-8 file with a damaged byte is not Shift-JIS, though code page 932 might read it.
    if (bom || scan.multiByte >= 4 * scan.bad)
        return fail(badBytes(body, scan.firstBad, QStringLiteral("UTF-8")));
    kind_ = Kind::ShiftJis;
    return true;
}

QString TextDecoding::name() const {
    switch (kind_) {
    case Kind::Utf8:
        return QStringLiteral("UTF-8");
    case Kind::ShiftJis:
        return QStringLiteral("Shift-JIS");
    default:
        return QStringLiteral("UTF-16");
    }
}

qsizetype TextDecoding::pieceEnd(QByteArrayView bytes, qsizetype from, qsizetype size) const {
    qsizetype at = std::max(from, start_) + size;
    if (at >= bytes.size())
        return bytes.size();
    if (kind_ == Kind::Utf8 || kind_ == Kind::ShiftJis) {
        // A line feed byte is never part of a multi-byte character in either encoding.
        const qsizetype lineFeed = bytes.indexOf('\n', at);
        return lineFeed < 0 ? bytes.size() : lineFeed + 1;
    }
    at += (at - start_) % 2;
    const char* lineFeed = kind_ == Kind::Utf16Little ? "\n\0" : "\0\n";
    for (; at + 1 < bytes.size(); at += 2)
        if (bytes[at] == lineFeed[0] && bytes[at + 1] == lineFeed[1])
            return at + 2;
    return bytes.size();
}

bool TextDecoding::decode(QByteArrayView bytes, qsizetype from, qsizetype to, QString& text,
                          QString* error) const {
    from = std::max(from, start_);
    const QByteArrayView piece = bytes.sliced(from, to - from);
    if (kind_ == Kind::Utf8) {
        text += QString::fromUtf8(piece); // checked whole by detect
        return true;
    }
    if (kind_ == Kind::ShiftJis) {
        QString decoded;
        qsizetype badAt = 0;
        if (!cp932::decodeStrict(QByteArray::fromRawData(piece.data(), piece.size()), decoded,
                                 &badAt)) {
            if (error)
                *error = badBytes(bytes, from + badAt, QStringLiteral("UTF-8 としても Shift-JIS"));
            return false;
        }
        text += decoded;
        return true;
    }
    const bool little = kind_ == Kind::Utf16Little;
    // An odd last byte or a surrogate without its partner is no character.
    const auto unit = [&](qsizetype i) -> int {
        if (i + 1 >= to)
            return -1;
        const auto low = static_cast<unsigned char>(bytes[little ? i : i + 1]);
        const auto high = static_cast<unsigned char>(bytes[little ? i + 1 : i]);
        return high << 8 | low;
    };
    text.reserve(text.size() + piece.size() / 2);
    for (qsizetype at = from; at < to; at += 2) {
        const int code = unit(at);
        const bool paired = QChar::isHighSurrogate(static_cast<uint>(code)) &&
                            QChar::isLowSurrogate(static_cast<uint>(unit(at + 2)));
        if (code < 0 || (QChar::isSurrogate(static_cast<uint>(code)) && !paired)) {
            if (error)
                *error =
                    QStringLiteral("UTF-16 のファイルの %1 バイト目が読めません。何も取り込んで"
                                   "いません。")
                        .arg(at + 1);
            return false;
        }
        text += QChar(static_cast<char16_t>(code));
        if (paired) {
            text += QChar(static_cast<char16_t>(unit(at + 2)));
            at += 2;
        }
    }
    return true;
}

QString decodeText(const QByteArray& bytes, QString* encoding, QString* error) {
    TextDecoding decoding;
    QString text;
    if (!decoding.detect(bytes, error) ||
        !decoding.decode(bytes, decoding.textStart(), bytes.size(), text, error))
        return QString();
    if (encoding)
        *encoding = decoding.name();
    return text;
}

} // namespace velta
