#include "csv.h"

#include "cp932.h"

#include <QFile>
#include <QStringDecoder>

#include <algorithm>

namespace velta {

QList<CsvRecord> parseCsv(const QString& text, QString* error) {
    QList<CsvRecord> records;
    CsvRecord record;
    QString field;
    bool quoted = false, fieldStarted = false;
    int line = 1;
    record.line = 1;
    auto endField = [&] {
        record.fields.append(field);
        field.clear();
        fieldStarted = false;
    };
    auto endRecord = [&] {
        endField();
        if (!(record.fields.size() == 1 && record.fields[0].isEmpty()))
            records.append(record);
        record = CsvRecord{line, {}};
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (field.size() > kMaxCsvFieldLength || record.fields.size() >= kMaxCsvFields) {
            if (error)
                *error =
                    QStringLiteral("%1 行目: %2。何も取り込んでいません。")
                        .arg(record.line)
                        .arg(
                            field.size() > kMaxCsvFieldLength
                                ? QStringLiteral("項目が長すぎます（%1 文字まで）")
                                      .arg(kMaxCsvFieldLength)
                                : QStringLiteral("列が多すぎます（%1 列まで）").arg(kMaxCsvFields));
            return {};
        }
        const QChar c = text[i];
        if (quoted) {
            if (c == QLatin1Char('"') && i + 1 < text.size() && text[i + 1] == QLatin1Char('"')) {
                field += QLatin1Char('"');
                ++i;
            } else if (c == QLatin1Char('"')) {
                quoted = false;
            } else {
                if (c == QLatin1Char('\n'))
                    ++line;
                field += c;
            }
            continue;
        }
        if (c == QLatin1Char('"') && !fieldStarted) {
            quoted = fieldStarted = true;
        } else if (c == QLatin1Char(',')) {
            endField();
        } else if (c == QLatin1Char('\r') && i + 1 < text.size() &&
                   text[i + 1] == QLatin1Char('\n')) {
            continue;
        } else if (c == QLatin1Char('\n')) {
            ++line;
            endRecord();
        } else {
            field += c;
            fieldStarted = true;
        }
    }
    if (fieldStarted || !field.isEmpty() || !record.fields.isEmpty())
        endRecord();
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
int utf8SequenceLength(const QByteArray& bytes, qsizetype at) {
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

Utf8Scan scanUtf8(const QByteArray& bytes) {
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

QString badBytes(const QByteArray& bytes, qsizetype at, const QString& kind) {
    const qsizetype line = bytes.left(at).count('\n') + 1;
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

QString decodeText(const QByteArray& bytes, QString* encoding, QString* error) {
    auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        return QString();
    };
    // UTF-16 (what some phones and Windows programs write) says so by its byte-order mark.
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        const bool little = bytes.startsWith("\xFF\xFE");
        QString text;
        text.reserve(bytes.size() / 2);
        for (qsizetype at = 2; at < bytes.size(); at += 2) {
            // An odd last byte or a surrogate without its partner is no character.
            const auto unit = [&](qsizetype i) -> int {
                if (i + 1 >= bytes.size())
                    return -1;
                const auto low = static_cast<unsigned char>(bytes[little ? i : i + 1]);
                const auto high = static_cast<unsigned char>(bytes[little ? i + 1 : i]);
                return high << 8 | low;
            };
            const int code = unit(at);
            const bool paired = QChar::isHighSurrogate(static_cast<uint>(code)) &&
                                QChar::isLowSurrogate(static_cast<uint>(unit(at + 2)));
            if (code < 0 || (QChar::isSurrogate(static_cast<uint>(code)) && !paired))
                return fail(
                    QStringLiteral("UTF-16 のファイルの %1 バイト目が読めません。何も取り込んで"
                                   "いません。")
                        .arg(at + 1));
            text += QChar(static_cast<char16_t>(code));
            if (paired) {
                text += QChar(static_cast<char16_t>(unit(at + 2)));
                at += 2;
            }
        }
        if (encoding)
            *encoding = QStringLiteral("UTF-16");
        return text;
    }
    // No text file holds a NUL: a binary file (a picture, a spreadsheet) is not read as rows.
    if (const qsizetype nul = bytes.indexOf('\0'); nul >= 0)
        return fail(QStringLiteral("%1 行目（%2 バイト目）に NUL があります。テキストファイル"
                                   "（CSV・vCard）ではないようです。何も取り込んでいません。")
                        .arg(bytes.left(nul).count('\n') + 1)
                        .arg(nul + 1));
    const bool bom = bytes.startsWith("\xEF\xBB\xBF");
    const QByteArray body = bom ? bytes.mid(3) : bytes;
    const Utf8Scan scan = scanUtf8(body);
    if (scan.firstBad < 0) {
        if (encoding)
            *encoding = QStringLiteral("UTF-8");
        return QString::fromUtf8(body);
    }
    // A UTF-8 file with a damaged byte is not Shift-JIS, though code page 932 might read it.
    if (bom || scan.multiByte >= 4 * scan.bad)
        return fail(badBytes(body, scan.firstBad, QStringLiteral("UTF-8")));
    QString text;
    qsizetype badAt = 0;
    if (!cp932::decodeStrict(bytes, text, &badAt))
        return fail(badBytes(bytes, badAt, QStringLiteral("UTF-8 としても Shift-JIS")));
    if (encoding)
        *encoding = QStringLiteral("Shift-JIS");
    return text;
}

} // namespace velta
