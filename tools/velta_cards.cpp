// Writes the address book's cards to a PDF, or prints them, with the postcard window's
// composition:
//   velta-cards (--type 1|2 | --paper PAPER) (-o cards.pdf | --printer [QUEUE] [--copies N])
//               [--search name|address1|address2|memo] [--text T]
//               [--name-size N] [--address-size N] [--name-font F] [--address-font F]
//               [--sender-name-size N] [--sender-address-size N] [--sender-name-font F]
//               [--sender-address-font F] [--recipient-x N] [--recipient-y N]
//               [--sender-x N] [--sender-y N] [--hyphen] [--fit | --no-fit]
//               [--group G] [--unsent YEAR] [--skip-mourning YEAR] [--received-unsent YEAR]
//               [--mark-sent YEAR] [--allow-overflow] [--classic] [--spread]
//               [--family-together] [--numbers upright|pairs|kanji|kanji-digits]
//               [--kanji-dash ー|の] [--barcode] [--labels 12|18|21|24|NAME]
//               [--sender-on-front]
// PAPER is a card (TYPE1, TYPE2 or hagaki1, hagaki2, as --type), an envelope (長形3号, 長形4号,
// 角形2号 or naga3, naga4, kaku2) or a label sheet (as --labels); an envelope's sender is
// printed on its front only with --sender-on-front.
//   velta-cards --test-sheet --type 1|2 (-o sheet.pdf | --printer [QUEUE])
// A text too long for its box is drawn smaller (--fit, the default); a card with a text that
// still does not fit, or printed over another, is left out, listed on the standard error and
// the run exits 3 (with --allow-overflow it is made all the same); every card whose postal code
// the dictionary does not know or whose 住所1 is not in the code's city is listed too. Cards are
// written as they are composed (memory stays that of one card); on a terminal the standard error
// shows how far the run has got. The database is the one connect.ini in the working directory
// names, as for the program. Printing sends the very PDF -o writes, moved by the queue's position
// correction, as one job once every card is composed. The filters choose recipients by group and by
// a year's marks (YEAR is the year the 年賀状 greet); --mark-sent records every card written or
// printed as a 年賀状 sent that year, once the file or the job is done.
#include "address_listing.h"
#include "calibration_sheet.h"
#include "command_line.h"
#include "composition.h"
#include "detail_store.h"
#include "dm.h"
#include "errors.h"
#include "errors_platform.h"
#include "font_substitution.h"
#include "label_sheets.h"
#include "page_file.h"
#include "pdf_writer.h"
#include "print_calibration.h"
#include "print_spool.h"
#include "reading_order.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMap>

#include <cstdio>
#include <optional>

namespace {

using namespace velta;

[[noreturn]] void fail(const QString& message) {
    std::exit(failure(message, message.startsWith(QStringLiteral("使い方")) ? 2 : 1));
}

// The position test sheet: written as it stands, and/or printed with the queue's correction.
void printTestSheet(CardLayout layout, const QString& output,
                    const std::optional<QString>& printer) {
    const QString queue = printer ? readyPrintQueue(*printer) : QString();
    if (!output.isEmpty()) {
        const CalibrationSheet sheet = calibrationSheet(layout, queue, {});
        PdfWriter writer(output);
        if (!writer.addPage(sheet.page.page, layOutPage(sheet.page), sheet.paths) ||
            !writer.finish())
            fail(writer.error());
        std::printf("位置調整用紙を %s に書き出しました。\n", output.toUtf8().constData());
    }
    if (printer) {
        const int job = printCalibrationSheet(layout, queue, printOffset(queue));
        std::printf("位置調整用紙をプリンター「%s」に送りました（ジョブ %s-%d）。\n",
                    queue.toUtf8().constData(), queue.toUtf8().constData(), job);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    using namespace velta;
    const QString usage = QStringLiteral(
        "使い方: velta-cards (--type 1|2 | --paper 用紙) (-o 出力.pdf | --printer [プリンター] "
        "[--copies N]) "
        "[--search name|address1|address2|memo] [--text 文字] [--name-size N] … [--hyphen] "
        "[--fit|--no-fit] [--group グループ] [--unsent 年] [--skip-mourning 年] "
        "[--received-unsent 年] [--mark-sent 年] [--allow-overflow] [--classic] [--spread] "
        "[--family-together] [--numbers upright|pairs|kanji|kanji-digits] [--kanji-dash ー|の] "
        "[--barcode] [--labels 面数|用紙名] [--sender-on-front]\n"
        "        用紙: TYPE1、TYPE2、長形3号、長形4号、角形2号（hagaki1、hagaki2、naga3、naga4、"
        "kaku2）またはラベル用紙の面数か名前\n"
        "        velta-cards --test-sheet --type 1|2 (-o 出力.pdf | --printer [プリンター])");
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    CardOptions options;
    QString type, output, search = QStringLiteral("name"), text, copies = QStringLiteral("1");
    std::optional<QString> printer; // empty: the default queue
    bool testSheet = false;
    RecipientFilter filter;
    QString labels; // a label sheet instead of cards: its count (24) or its name
    QString paper;  // a card, an envelope or a label sheet
    QString unsent, skipMourning, receivedUnsent, markSent, numbers = QStringLiteral("upright"),
                                                            kanjiDash = QStringLiteral("ー");
    const std::pair<const char*, QString*> valued[] = {
        {"--labels", &labels},
        {"--paper", &paper},
        {"--numbers", &numbers},
        {"--kanji-dash", &kanjiDash},
        {"--group", &filter.group},
        {"--unsent", &unsent},
        {"--skip-mourning", &skipMourning},
        {"--received-unsent", &receivedUnsent},
        {"--mark-sent", &markSent},
        {"--type", &type},
        {"-o", &output},
        {"--search", &search},
        {"--text", &text},
        {"--copies", &copies},
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
        else if (arguments[i] == QLatin1String("--test-sheet"))
            testSheet = true;
        else if (arguments[i] == QLatin1String("--allow-overflow"))
            options.allowOverflow = true;
        else if (arguments[i] == QLatin1String("--classic"))
            options.classicLayout = true;
        else if (arguments[i] == QLatin1String("--spread"))
            options.spreadName = true;
        else if (arguments[i] == QLatin1String("--family-together"))
            options.familyTogether = true;
        else if (arguments[i] == QLatin1String("--barcode"))
            options.barcode = true;
        else if (arguments[i] == QLatin1String("--sender-on-front"))
            options.senderOnEnvelope = true;
        else if (arguments[i] == QLatin1String("--fit") ||
                 arguments[i] == QLatin1String("--no-fit"))
            options.fitText = arguments[i] == QLatin1String("--fit");
        else if (arguments[i] == QLatin1String("--printer"))
            printer = i + 1 < arguments.size() && !arguments[i + 1].startsWith(QLatin1Char('-'))
                          ? arguments[++i]
                          : QString();
        else if (QString* value = valueOf(arguments[i]); value && i + 1 < arguments.size())
            *value = arguments[++i];
        else
            fail(usage + QStringLiteral("\n不明な引数: ") + arguments[i]);
    }
    const std::optional<CardLayout> named = layoutNamed(paper);
    if (!paper.isEmpty() && !named)
        labels = paper;
    const bool envelope = named && layoutFacts(*named).envelope;
    if (named && !envelope)
        type = *named == CardLayout::Type2 ? QStringLiteral("2") : QStringLiteral("1");
    if ((labels.isEmpty() && !envelope && type != "1" && type != "2") ||
        (output.isEmpty() && !printer) || (testSheet && (envelope || !labels.isEmpty())))
        fail(usage);
    const QStringList numberStyles = {"upright", "pairs", "kanji", "kanji-digits"};
    if (!numberStyles.contains(numbers) || (kanjiDash != "ー" && kanjiDash != "の"))
        fail(usage + QStringLiteral("\n--numbers は upright、pairs、kanji、kanji-digits のどれか、"
                                    "--kanji-dash は ー か の です。"));
    options.numbers = static_cast<NumberStyle>(numberStyles.indexOf(numbers));
    options.kanjiDash = kanjiDash.at(0);
    bool copiesOk = false;
    const int copyCount = copies.toInt(&copiesOk);
    if (!copiesOk || copyCount < 1 || copyCount > 999)
        fail(usage + QStringLiteral("\n--copies は 1 から 999 までの数です。"));
    // Years as a 年賀状 names them: four digits.
    auto yearOf = [&](const QString& text, const char* flag) {
        bool ok = false;
        const int year = text.toInt(&ok);
        if (!text.isEmpty() && (!ok || year < 1900 || year > 2999 || text.size() != 4))
            fail(usage + QStringLiteral("\n%1 には年を 4 桁の数で指定します（例: 2027）。")
                             .arg(QLatin1String(flag)));
        return text.isEmpty() ? 0 : year;
    };
    filter.unsentYear = yearOf(unsent, "--unsent");
    filter.skipMourningYear = yearOf(skipMourning, "--skip-mourning");
    filter.receivedUnsentYear = yearOf(receivedUnsent, "--received-unsent");
    const int markYear = yearOf(markSent, "--mark-sent");
    const QMap<QString, CardSearch> searches = {{"name", CardSearch::Surname},
                                                {"address1", CardSearch::Address1},
                                                {"address2", CardSearch::Address2},
                                                {"memo", CardSearch::Memo}};
    if (!searches.contains(search))
        fail(usage + QStringLiteral("\n--search は name、address1、address2、memo のどれかです。"));
    const QFileInfo target(output);
    if (!output.isEmpty() &&
        (!target.absoluteDir().exists() || (target.exists() && !target.isWritable())))
        fail(QStringLiteral("出力先「%1」に書き込めません。").arg(output));

    installFontSubstitutions();
    const CardLayout layout = envelope      ? *named
                              : type == "2" ? CardLayout::Type2
                                            : CardLayout::Type1;
    try {
        std::optional<LabelSheet> sheet;
        if (!labels.isEmpty()) {
            for (const LabelSheet& each : loadLabelSheets())
                if (!sheet && (each.name == labels || QString::number(each.perSheet()) == labels))
                    sheet = each;
            if (!sheet)
                fail(usage + QStringLiteral("\n用紙「%1」がありません（封筒は 長形3号、長形4号、"
                                            "角形2号、ラベル用紙は %2 に書かれた面数か名前で"
                                            "指定します）。")
                                 .arg(labels, labelSheetsFile()));
        }
        if (testSheet) {
            printTestSheet(layout, output, printer);
            return 0;
        }
        TDM dm(QDir::currentPath());
        // The book packed (a card is made only when its turn comes), its details apart.
        const QHash<qint64, RecipientDetails> details = DetailStore(dm).readAll();
        const QList<PackedCard> rows =
            orderedByReading(readPackedCards(dm, searches[search], text, details, filter),
                             [](const PackedCard& card) { return card.reading(); });
        auto cardAt = [&rows, &details,
                       card = CardRecipient()](qsizetype i) mutable -> const CardRecipient& {
            card = rows[i].unpacked();
            card.details = details.value(card.key);
            return card;
        };
        if (rows.isEmpty())
            fail(QStringLiteral("該当する宛名がありません。ファイルは書き出していません。"));
        TfrxReport report = makeCardTemplate(layout);
        // What a run makes, as its messages and its print job name it.
        const QString pieces = sheet      ? QStringLiteral("ラベル")
                               : envelope ? QStringLiteral("封筒")
                                          : QStringLiteral("はがき");
        std::optional<PdfWriter> writer;
        if (!output.isEmpty()) {
            writer.emplace(output);
            writer->drawInBackground(); // the next card is composed while one is drawn
        }
        // A queue that is unknown or stopped is told before any card is composed.
        std::optional<PrintSpool> spool;
        if (printer) {
            const QString queue = readyPrintQueue(*printer);
            PdfPrintJob job{queue,
                            {},
                            QStringLiteral("VELTA %1 %2 %3")
                                .arg(pieces)
                                .arg(rows.size())
                                .arg(sheet ? QStringLiteral("件") : QStringLiteral("枚")),
                            copyCount,
                            true};
            spool.emplace(job, printOffset(queue));
            *printer = queue;
        }
        QStringList warnings;
        int composed = 0, leftOut = 0;
        QList<qint64> made; // the keys of the cards written: what --mark-sent records
        TerminalProgress progress(rows.size(), QStringLiteral("作成中"), QStringLiteral("枚"));
        auto writeLabels = [&]() {
            QList<CardRecipient> labelRows;
            for (qsizetype i = 0; i < rows.size(); ++i)
                labelRows.append(cardAt(i));
            QList<qsizetype> placed;
            for (const PreparedPage& page :
                 composeLabels(*sheet, options, labelRows, &warnings, &placed))
                if ((writer && !writer->addPage(page)) || (spool && !spool->addPage(page)))
                    return false;
            for (const qsizetype i : placed)
                made.append(rows[i].key());
            leftOut = static_cast<int>(rows.size() - placed.size());
            return true;
        };
        const bool written =
            sheet ? writeLabels()
                  : streamCards(report, layout, options,
                                CardSource{rows.size(), cardAt,
                                           [&rows](qsizetype i) { return rows[i].postalCode(); }},
                                dm, [&](const PreparedPage& page, const CardNotes& notes) {
                                    const QVector<LaidOutBox> laid = layOutPage(page);
                                    QStringList cut = notes.refusals + overflowWarnings(page, laid);
                                    const qint64 key = rows[composed].key();
                                    progress.step(++composed);
                                    if (!cut.isEmpty() && !options.allowOverflow) {
                                        cut.last() += leftOutNote(layout); // never printed cut
                                        warnings += cut + notes.problems;
                                        ++leftOut;
                                        return true;
                                    }
                                    warnings += cut + notes.problems;
                                    made.append(key);
                                    return (!writer ||
                                            writer->addPage(page.page, laid, page.paths)) &&
                                           (!spool || spool->addPage(page.page, laid, page.paths));
                                });
        dm.close();
        progress.done();
        for (const QString& warning : warnings)
            std::fprintf(stderr, "velta-cards: %s\n", warning.toUtf8().constData());
        if (!written) // nothing is printed or put in place of the old file
            fail(writer && !writer->error().isEmpty() ? writer->error() : spool->error());
        const QString sheets = sheet ? QStringLiteral("ラベル用紙") : pieces;
        if (made.isEmpty())
            std::exit(failure(QStringLiteral("作成できる%1がありません（収まらない文字のある%1は "
                                             "--allow-overflow で作成します）。")
                                  .arg(pieces),
                              3));
        if (writer) {
            if (!writer->finish())
                fail(writer->error());
            std::printf("%s\n", QStringLiteral("%1 枚の%2を %3 に書き出しました。")
                                    .arg(writer->pageCount())
                                    .arg(sheets, output)
                                    .toUtf8()
                                    .constData());
        }
        if (spool) {
            const int job = spool->print();
            std::printf("%s\n", QStringLiteral("%1 枚の%2をプリンター「%3」に送りました（ジョブ "
                                               "%3-%4）。")
                                    .arg(spool->pageCount())
                                    .arg(sheets, *printer)
                                    .arg(job)
                                    .toUtf8()
                                    .constData());
        }
        if (markYear) {
            recordMark(dm, made, markYear, &YearMarks::nengaSent);
            std::printf("%lld 人を %d 年の年賀状を出した人として記録しました。\n",
                        static_cast<long long>(made.size()), markYear);
        }
        if (leftOut > 0) {
            std::fprintf(stderr, "velta-cards: %s\n",
                         QStringLiteral("%1 枚の%2は、収まらない文字や重なる文字があるため作成して"
                                        "いません（--allow-overflow で作成します）。")
                             .arg(leftOut)
                             .arg(pieces)
                             .toUtf8()
                             .constData());
            return 3;
        }
    } catch (const PlatformError& error) {
        fail(QString::fromUtf8(error.what()));
    } catch (const PageFileError& error) {
        fail(QString::fromUtf8(error.what()));
    } catch (const DbError& error) {
        fail(error.message());
    } catch (const std::bad_alloc&) {
        fail(outOfMemory());
    }
    return 0;
}
