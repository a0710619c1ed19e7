// Japan Post's postal-code data (zip or CSV, either edition) read into towns.
#include "ken_all.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QString error;
    velta::readPostalFile(bytes, &error);
    return 0;
}
