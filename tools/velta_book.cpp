// The address book of the database connect.ini in the working directory names, in and out:
//   velta-book export [--encoding utf8|cp932] FILE.csv   every column, a header row first
//   velta-book import [--suggest-readings] [--skip-duplicates] FILE
//       CSV (any headers) or vCard, detected; rows without a reading take a suggested one, rows
//       whose name and address the book already has (or an earlier row) are left out; each
//       listed either way
// Exit 0, 1 on failure, 2 on bad usage. An import prints how many rows it stored and each row
// it refused.
#include "book_exchange.h"
#include "command_line.h"
#include "dm.h"
#include "errors.h"

#include <QCoreApplication>
#include <QDir>

#include <algorithm>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    using namespace velta;
    QStringList arguments = QCoreApplication::arguments().mid(1);
    const QString usage =
        QStringLiteral("使い方: velta-book export [--encoding utf8|cp932] ファイル.csv | "
                       "velta-book import [--suggest-readings] [--skip-duplicates] ファイル");
    bool suggestReadings = false, skipDuplicates = false;
    while (arguments.size() > 2 && arguments[0] == QLatin1String("import")) {
        if (arguments[1] == QLatin1String("--suggest-readings") && !suggestReadings)
            suggestReadings = true;
        else if (arguments[1] == QLatin1String("--skip-duplicates") && !skipDuplicates)
            skipDuplicates = true;
        else
            return failure(usage, 2);
        arguments.removeAt(1);
    }
    TextEncoding encoding = TextEncoding::Utf8;
    if (arguments.size() == 4 && arguments[0] == QLatin1String("export") &&
        arguments[1] == QLatin1String("--encoding")) {
        if (arguments[2] != QLatin1String("utf8") && arguments[2] != QLatin1String("cp932"))
            return failure(usage, 2);
        encoding =
            arguments[2] == QLatin1String("cp932") ? TextEncoding::Cp932 : TextEncoding::Utf8;
        arguments.remove(1, 2);
    }
    if (arguments.size() != 2 ||
        (arguments[0] != QLatin1String("export") && arguments[0] != QLatin1String("import")))
        return failure(usage, 2);
    try {
        TDM dm(QDir::currentPath());
        if (arguments[0] == QLatin1String("export")) {
            const int rows = exportBook(dm, arguments[1], encoding);
            std::printf("%d 件の宛名を %s に書き出しました。\n", rows,
                        arguments[1].toUtf8().constData());
            return 0;
        }
        ImportReader reader = ImportReader::open(arguments[1]);
        const QVector<Target> targets = matchHeaders(reader.headers());
        TerminalProgress progress(100, QStringLiteral("取り込み中"), QStringLiteral("%"));
        const ImportReport report = importFile(dm, reader, targets, [&](qint64 done, qint64 total) {
            progress.step(total > 0 ? done * 100 / total : 0);
            return true;
        });
        progress.done();
        std::printf("%s\n",
                    importSummary(report, static_cast<int>(std::max(report.refused.size(),
                                                                    report.suggested.size())))
                        .toUtf8()
                        .constData());
        // Columns the book has no place for (a company, an honorific) are named, not dropped
        // without a word.
        QStringList unused;
        const QStringList& headers = reader.headers();
        for (qsizetype c = 0; c < headers.size() && c < targets.size(); ++c)
            if (targets[c] == Target::Ignore && !headers[c].trimmed().isEmpty())
                unused.append(headers[c].trimmed());
        if (!unused.isEmpty())
            std::printf("取り込まなかった列: %s\n",
                        unused.join(QStringLiteral("、")).toUtf8().constData());
        return 0;
    } catch (const DbError& error) {
        return failure(error.message());
    } catch (const ExchangeError& error) {
        return failure(QString::fromStdString(error.what()));
    } catch (const std::bad_alloc&) {
        return failure(outOfMemory());
    }
}
