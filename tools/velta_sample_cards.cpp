// Writes sample cards to a PDF, to look at the vertical layout: real-looking recipients composed
// as velta-cards composes them, on TYPE1 and then TYPE2, with a sample sender in a throwaway
// embedded database. --classic sets them in the fixed places instead.
#include "card_layouts.h"
#include "composition.h"
#include "dm.h"
#include "errors.h"
#include "font_substitution.h"
#include "pdf_writer.h"
#include "sample_cards.h"
#include "schema.h"
#include "sender_store.h"

#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) // no window: no display needed
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    const bool classic = arguments.contains(QStringLiteral("--classic"));
    if (arguments.size() != (classic ? 2 : 1) || arguments.last().startsWith(QLatin1Char('-'))) {
        std::fputs("使い方: velta-sample-cards [--classic] 出力.pdf\n", stderr);
        return 2;
    }
    velta::installFontSubstitutions();
    QVector<velta::PreparedPage> pages;
    QStringList warnings;
    try {
        QTemporaryDir folder;
        const QString database = folder.filePath(QStringLiteral("SAMPLE.GDB"));
        velta::createVeltaDatabase(database);
        {
            velta::TDM dm(database, true);
            velta::SenderStore(dm).save(velta::sampleSender());
            velta::CardOptions options;
            options.classicLayout = classic;
            options.allowOverflow = true; // a sample shows what the check would refuse
            for (velta::CardLayout layout : {velta::CardLayout::Type1, velta::CardLayout::Type2}) {
                velta::TfrxReport report = velta::makeCardTemplate(layout);
                velta::composeCards(report, layout, options, velta::sampleRecipients(), dm);
                pages += report.PreviewPages();
                warnings += report.Warnings;
            }
            dm.close();
        }
        velta::dropVeltaDatabase(database);
    } catch (const velta::DbError& error) {
        std::fprintf(stderr, "velta-sample-cards: %s\n", error.what());
        return 1;
    }
    for (const QString& warning : warnings)
        std::fprintf(stderr, "velta-sample-cards: %s\n", warning.toUtf8().constData());
    if (!velta::writePdf(arguments.last(), pages)) {
        std::fputs("PDF を書き込めません。\n", stderr);
        return 1;
    }
    return 0;
}
