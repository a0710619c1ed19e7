#include "connect_settings.h"

#include "cp932.h"

#include <QDir>
#include <QFile>
#include <QStringConverter>

#include <sys/stat.h>
#include <unistd.h>

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

QString readPasswordFile(const QString& fileName, QString* problem) {
    struct stat info {};
    const QByteArray path = QFile::encodeName(fileName);
    QString why;
    if (::stat(path.constData(), &info) != 0 || !S_ISREG(info.st_mode))
        why = QStringLiteral("ファイルがありません");
    else if (info.st_uid != ::getuid())
        why = QStringLiteral("ほかのユーザーのファイルです");
    else if (info.st_mode & 077)
        why = QStringLiteral("本人以外も読めます。chmod 600 で本人だけが読めるようにしてください");
    QFile file(fileName);
    if (why.isEmpty() && !file.open(QIODevice::ReadOnly))
        why = file.errorString();
    if (!why.isEmpty()) {
        *problem =
            QStringLiteral("パスワードファイル「%1」を使えません（%2）。").arg(fileName, why);
        return {};
    }
    return QString::fromUtf8(file.readLine(4096)).trimmed();
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
    DatabaseLocation location;
    if (iniValue(text, section, QStringLiteral("Mode")) == QLatin1String("local_SYS")) {
        location.name = QDir::toNativeSeparators(QDir(workingDirectory).absolutePath() +
                                                 QStringLiteral("/data/DATA.GDB"));
        location.local = true;
    } else {
        location.name = iniValue(text, section, QStringLiteral("Server_SYS"));
    }
    const QString user = iniValue(text, section, QStringLiteral("User"));
    const QString password = iniValue(text, section, QStringLiteral("Password"));
    const QString passwordFile = iniValue(text, section, QStringLiteral("PasswordFile"));
    if (!user.isEmpty())
        location.user = user;
    if (!passwordFile.isEmpty())
        location.password = readPasswordFile(QDir(workingDirectory).absoluteFilePath(passwordFile),
                                             &location.problem);
    else if (!password.isEmpty())
        location.password = password;
    else if (!user.isEmpty())
        location.askPassword = true;
    else
        location.password = defaultPassword();
    return location;
}

QString defaultPassword() {
    return QStringLiteral("tidewater");
}

} // namespace velta
