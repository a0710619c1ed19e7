#include "connect_settings.h"

#include "cp932.h"

#include <QDir>
#include <QFile>
#include <QStringConverter>

namespace velta {

QString iniValue(const QString& iniText, const QString& section, const QString& key) {
    bool inSection = false;
    for (QString line : iniText.split(QLatin1Char('\n'))) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            inSection =
                line.mid(1, line.size() - 2).trimmed().compare(section, Qt::CaseInsensitive) == 0;
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (inSection && equals > 0 &&
            line.left(equals).trimmed().compare(key, Qt::CaseInsensitive) == 0) {
            // A quoted value is unquoted, as Windows reads INI files.
            QString value = line.mid(equals + 1).trimmed();
            if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) &&
                value.endsWith(QLatin1Char('"')))
                value = value.mid(1, value.size() - 2);
            return value;
        }
    }
    return {};
}

DatabaseLocation resolveDatabaseLocation(const QString& workingDirectory) {
    QString text;
    QFile file(QDir(workingDirectory).filePath(QStringLiteral("connect.ini")));
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = file.readAll();
        // Files written on Windows are in the ANSI code page; others are UTF-8.
        auto utf8 = QStringDecoder(QStringDecoder::Utf8);
        text = utf8.decode(bytes);
        if (utf8.hasError())
            text = cp932::decode(bytes);
    }
    const QString section = QStringLiteral("SECTION");
    if (iniValue(text, section, QStringLiteral("Mode")) == QLatin1String("local_SYS"))
        return {QDir::toNativeSeparators(QDir(workingDirectory).absolutePath() +
                                         QStringLiteral("/data/DATA.GDB")),
                true};
    return {iniValue(text, section, QStringLiteral("Server_SYS")), false};
}

} // namespace velta
