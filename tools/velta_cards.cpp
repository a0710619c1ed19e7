// Writes the address book's cards to a PDF with the postcard window's composition:
//   velta-cards --type 1|2 -o cards.pdf [--search name|address1|address2|memo] [--text T]
//               [--name-size N] [--address-size N] [--name-font F] [--address-font F]
//               [--sender-name-size N] [--sender-address-size N] [--sender-name-font F]
//               [--sender-address-font F] [--recipient-x N] [--recipient-y N]
//               [--sender-x N] [--sender-y N] [--hyphen] [--fit | --no-fit]
// A text too long for its box is drawn smaller (--fit, the default); whatever still does not
// fit, and every card whose postal code the dictionary does not know or whose 住所1 is not in
// the code's city, is listed on the standard error before the file is written. Cards are written as
// they are composed (memory stays that of one card); on a terminal the standard error shows how far
// the run has got. The database is the one connect.ini in the working directory names, as for the
// program.
#include "command_line.h"
#include "composition.h"
#include "dm.h"
#include "errors.h"
#include "font_substitution.h"
#include "pdf_writer.h"
#include "reading_order.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMap>

#include <cstdio>

namespace {

[[noreturn]] void fail(const QString& message) {
    std::exit(failure(message, message.startsWith(QStringLiteral("使い方")) ? 2 : 1));
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    using namespace velta;
    const QString usage = QStringLiteral(
        "使い方: velta-cards --type 1|2 -o 出力.pdf [--search name|address1|address2|memo] "
        "[--text 文字] [--name-size N] … [--hyphen] [--fit|--no-fit]");
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    CardOptions options;
    QString type, output, search = QStringLiteral("name"), text;
    const std::pair<const char*, QString*> valued[] = {
        {"--type", &type},
        {"-o", &output},
        {"--search", &search},
        {"--text", &text},
        {"--name-size", &options.nameSize},
        {"--address-size", &options.addressSize},
        {"--name-font", &options.nameFont},
        {"--address-font", &options.addressFont},
        {"--sender-name-size", &options.senderNameSize},
        {"--sender-address-size", &options.senderAddressSize},
        {"--sender-name-font", &options.senderNameFont},
        {"--sender-address-font", &options.senderAddressFont},
        {"--recipient-x", &options.recipientRight},
        {"--recipient-y", &options.recipientDown},
        {"--sender-x", &options.senderRight},
        {"--sender-y", &options.senderDown}};
    auto valueOf = [&](const QString& flag) -> QString* {
        for (const auto& [name, value] : valued)
            if (flag == QLatin1String(name))
                return value;
        return nullptr;
    };
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--hyphen"))
            options.senderHyphen = true;
        else if (arguments[i] == QLatin1String("--fit") ||
                 arguments[i] == QLatin1String("--no-fit"))
            options.fitText = arguments[i] == QLatin1String("--fit");
        else if (QString* value = valueOf(arguments[i]); value && i + 1 < arguments.size())
            *value = arguments[++i];
        else
            fail(usage + QStringLiteral("\n不明な引数: ") + arguments[i]);
    }
    if ((type != "1" && type != "2") || output.isEmpty())
        fail(usage);
    const QMap<QString, CardSearch> searches = {{"name", CardSearch::Surname},
                                                {"address1", CardSearch::Address1},
                                                {"address2", CardSearch::Address2},
                                                {"memo", CardSearch::Memo}};
    if (!searches.contains(search))
        fail(usage + QStringLiteral("\n--search は name、address1、address2、memo のどれかです。"));
    const QFileInfo target(output);
    if (!target.absoluteDir().exists() || (target.exists() && !target.isWritable()))
        fail(QStringLiteral("出力先「%1」に書き込めません。").arg(output));

    installFontSubstitutions();
    try {
        TDM dm(QDir::currentPath());
        const QList<QStringList> rows =
            orderedByReading(fillCardRows(dm, searches[search], text), 10);
        if (rows.isEmpty())
            fail(QStringLiteral("該当する宛名がありません。ファイルは書き出していません。"));
        const CardLayout layout = type == "1" ? CardLayout::Type1 : CardLayout::Type2;
        TfrxReport report = makeCardTemplate(layout);
        PdfWriter writer(output);
        QStringList warnings;
        TerminalProgress progress(rows.size(), QStringLiteral("作成中"), QStringLiteral("枚"));
        const bool written =
            streamCards(report, layout, options, rows, dm,
                        [&](const PreparedPage& page, const QStringList& problems) {
                            const QVector<LaidOutBox> laid = layOutPage(page);
                            warnings += overflowWarnings(page, laid);
                            warnings += problems;
                            progress.step(writer.pageCount() + 1);
                            return writer.addPage(page.page, laid);
                        });
        dm.close();
        progress.done();
        for (const QString& warning : warnings)
            std::fprintf(stderr, "velta-cards: %s\n", warning.toUtf8().constData());
        if (!written || !writer.finish())
            fail(writer.error());
        std::printf("%d 枚のはがきを %s に書き出しました。\n", writer.pageCount(),
                    output.toUtf8().constData());
    } catch (const DbError& error) {
        fail(error.message());
    }
    return 0;
}
