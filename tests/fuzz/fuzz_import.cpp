// Another program's address book (CSV or vCard) read for the import window.
#include "book_exchange.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        velta::ImportReader reader(bytes);
        const QVector<velta::Target> targets = velta::matchHeaders(reader.headers());
        for (velta::CsvRecord record; reader.next(record);)
            velta::mapRecord(record, reader.headers(), targets);
    } catch (const velta::ExchangeError&) {
    }
    return 0;
}
