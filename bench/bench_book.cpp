// Makes a working folder with an address book of N recipients for timing the command-line
// programs on it:  bench_book FOLDER N && cd FOLDER && /usr/bin/time -v velta-cards --type 1 -o
// cards.pdf
#include "bench_book.h"
#include "errors.h"
#include "schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    bool ok = false;
    const int count = arguments.value(1).toInt(&ok);
    if (arguments.size() != 2 || !ok || count < 0) {
        std::fputs("使い方: bench_book フォルダ 宛名の数\n", stderr);
        return 2;
    }
    const QDir folder(arguments[0]);
    if (!folder.mkpath(QStringLiteral("data")) || folder.exists(QStringLiteral("data/DATA.GDB"))) {
        std::fputs("フォルダに data/DATA.GDB を作れません（すでにあるか、書き込めません）。\n",
                   stderr);
        return 1;
    }
    try {
        const QString name = folder.filePath(QStringLiteral("data/DATA.GDB"));
        velta::createVeltaDatabase(name);
        velta::TDM dm(name, true);
        velta::addBenchRecipients(dm, count);
    } catch (const velta::DbError& error) {
        std::fprintf(stderr, "%s\n", error.message().toUtf8().constData());
        return 1;
    }
    QFile ini(folder.filePath(QStringLiteral("connect.ini")));
    if (!ini.open(QIODevice::WriteOnly) || ini.write("[SECTION]\nMode=local_SYS\n") < 0)
        return 1;
    return 0;
}
