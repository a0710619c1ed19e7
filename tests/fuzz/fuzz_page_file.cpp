// The preview's page files (開く): refused whole or read whole.
#include "page_file.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir folder;
    const QString name = folder.filePath(QStringLiteral("input.vpg"));
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    file.close();
    try {
        velta::loadPages(name);
    } catch (const velta::PageFileError&) {
    }
    return 0;
}
