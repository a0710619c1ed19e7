// CSV text as files bring it: decoded (UTF-8 or Shift-JIS, never a replaced character) and parsed
// within the bounds.
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
    for (const velta::CsvRecord& record : velta::parseCsv(text, &error))
        if (record.fields.size() > velta::kMaxCsvFields)
            __builtin_trap();
    return 0;
}
