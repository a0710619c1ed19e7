// Creates an empty VELTA database:
//   velta-createdb [--charset SJIS_0208|UTF8] [--no-version-table] [--version X.Y.Z]...
//                  [--user USER --password-file FILE] NAME
// With --user the database is created by, and belongs to, that server user (its password read
// from a file only its owner can read, never from the command line).
#include "command_line.h"
#include "connect_settings.h"
#include "errors.h"
#include "schema.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QStringList arguments = QCoreApplication::arguments().mid(1);
    velta::SchemaOptions options;
    QStringList versions;
    QString name, passwordFile;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("--no-version-table")) {
            options.withVersionTable = false;
        } else if (argument == QLatin1String("--charset") && i + 1 < arguments.size()) {
            options.characterSet = arguments[++i].toUpper();
        } else if (argument == QLatin1String("--version") && i + 1 < arguments.size()) {
            versions.append(arguments[++i]);
        } else if (argument == QLatin1String("--user") && i + 1 < arguments.size()) {
            options.user = arguments[++i];
        } else if (argument == QLatin1String("--password-file") && i + 1 < arguments.size()) {
            passwordFile = arguments[++i];
        } else if (!argument.startsWith(QLatin1String("--")) && name.isEmpty()) {
            name = argument;
        } else {
            name.clear();
            break;
        }
    }
    if (name.isEmpty()) {
        std::fputs(
            "使い方: velta-createdb [--charset SJIS_0208|UTF8] [--no-version-table] [--version "
            "1.1.3]... [--user ユーザー --password-file ファイル] データベース名\n",
            stderr);
        return 2;
    }
    if (!passwordFile.isEmpty()) {
        QString problem;
        options.password = velta::readPasswordFile(passwordFile, &problem);
        if (!problem.isEmpty())
            return failure(problem);
    } else if (options.user != QLatin1String("SYSDBA")) {
        return failure(QStringLiteral("--user には --password-file が要ります。"), 2);
    }
    if (!versions.isEmpty())
        options.versionRows = versions;
    try {
        velta::createVeltaDatabase(name, options);
    } catch (const velta::DbError& error) {
        std::fprintf(stderr, "データベースを作成できません: %s\n",
                     error.message().toUtf8().constData());
        return 1;
    } catch (const std::bad_alloc&) {
        return failure(outOfMemory());
    }
    return 0;
}
