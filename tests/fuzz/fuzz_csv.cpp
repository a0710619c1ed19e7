// CSV text as files bring it: decoded (UTF-8 or Shift-JIS, never a replaced character) and parsed
// within the bounds; read a piece at a time it gives the same records as read whole.
#include "csv.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QString encoding, error;
    const QString text = velta::decodeText(bytes, &encoding, &error);
    if (!error.isEmpty())
        return 0;
    // A character the file did not hold (UTF-16 files may hold U+FFFD themselves).
    if (encoding != QLatin1String("UTF-16") && text.contains(QChar(QChar::ReplacementCharacter)) &&
        !bytes.contains("\xEF\xBF\xBD"))
        __builtin_trap();
    const QList<velta::CsvRecord> whole = velta::parseCsv(text, &error);
    for (const velta::CsvRecord& record : whole)
        if (record.fields.size() > velta::kMaxCsvFields)
            __builtin_trap();
    if (!error.isEmpty())
        return 0;
    velta::CsvReader reader;
    const qsizetype cut = text.isEmpty() ? 0 : static_cast<qsizetype>(data[0]) % text.size();
    reader.feed(QStringView(text).first(cut));
    reader.feed(QStringView(text).sliced(cut));
    reader.finish();
    qsizetype i = 0;
    for (velta::CsvRecord record; reader.takeRecord(record); ++i)
        if (i >= whole.size() || record.fields != whole[i].fields || record.line != whole[i].line)
            __builtin_trap();
    if (i != whole.size())
        __builtin_trap();
    return 0;
}
