// Japan Post's zip archive: members checked, unpacked within a bound.
#include "zip_archive.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QString error;
    const QByteArray member = velta::unzipFirst(bytes, QStringLiteral(".csv"), &error, 1 << 20);
    if (member.size() > (1 << 20))
        __builtin_trap();
    return 0;
}
