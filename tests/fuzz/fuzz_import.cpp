// Another program's address book (CSV or vCard) read for the import window.
#include "book_exchange.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        const velta::ImportTable table = velta::readImportBytes(bytes);
        velta::mapRows(table, velta::matchHeaders(table.headers));
    } catch (const velta::ExchangeError&) {
    }
    return 0;
}
