#include "csv.h"

#include "cp932.h"

#include <QStringDecoder>

namespace velta {

QList<CsvRecord> parseCsv(const QString& text) {
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

QString csvLine(const QStringList& fields) {
    QStringList quoted;
    for (const QString& field : fields)
        quoted.append(QLatin1Char('"') +
                      QString(field).replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
                      QLatin1Char('"'));
    return quoted.join(QLatin1Char(',')) + QStringLiteral("\r\n");
}

QString decodeText(const QByteArray& bytes, QString* encoding) {
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        if (encoding)
            *encoding = QStringLiteral("UTF-8");
        return QString::fromUtf8(bytes.mid(3));
    }
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError()) {
        if (encoding)
            *encoding = QStringLiteral("UTF-8");
        return text;
    }
    if (encoding)
        *encoding = QStringLiteral("Shift-JIS");
    return cp932::decode(bytes);
}

} // namespace velta
