// Cards printed through a real CUPS queue (cups-pdf, A4 by default) judged at ink level against
// PDF 出力: every box where the PDF has it, on a card-sized page.
#include "address_listing.h"
#include "calibration_sheet.h"
#include "card_layouts.h"
#include "composition.h"
#include "dm.h"
#include "ink.h"
#include "label_sheets.h"
#include "page_renderer.h"
#include "pdf_writer.h"
#include "position_calibration.h"
#include "postal_code.h"
#include "postal_frame.h"
#include "preview_window.h"
#include "print_calibration.h"
#include "print_server.h"
#include "reading_order.h"
#include "recorded_boxes.h"
#include "test_database.h"
#include "when_shown.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QPrintDialog>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace velta;
using velta::test::PrintServer;

namespace {

constexpr double kDotsPerMm = 600 / 25.4;
constexpr double kPrintTolerance = 0.2; // mm

class CardPrinting : public ::testing::Test {
protected:
    void SetUp() override {
        if (!PrintServer::available())
            GTEST_SKIP() << "VELTA_TEST_CUPS_SERVER is not set (scripts/test.sh starts cupsd)";
        velta::test::makeWorkingFolder(work.path());
        TDM dm(work.path());
        const char* rows[] = {
            "'1600022', '東京都新宿区新宿3-38-1', 'ルミネエスト5階', '佐藤', '由美子', '', '', "
            "'さとう'",
            "'2310023', '神奈川県横浜市中区山下町1-2-3', '', '長谷川', '健太郎', '美奈子', '翔', "
            "'はせがわ'",
            "'020-0004', '岩手県盛岡市山岸四丁目二十五番地の十二', '盛岡山岸ガーデンハイツ南棟', "
            "'鈴木', '美智子', '', '', 'すずき'",
            "'0600001', '北海道札幌市中央区北一条西二丁目一番地', '', '勅使河原', '一', '', "
            "'花子', "
            "'てしがわら'"};
        for (const char* row : rows) {
            dm.IBQuery1.Clear();
            dm.IBQuery1.Add(QString("insert into MST_KOKYAKU (KEY1, YUBINNO, JYUSYO, JYUSYO2, "
                                    "NAMAE, NAMAE2, RENMEI1, RENMEI2, HURIGANA) values (0, %1)")
                                .arg(row));
            dm.IBQuery1.ExecSQL();
        }
        dm.IBQuery1.Clear();
        dm.IBQuery1.Add("insert into MST_SASIDASI (KEY1, NAMAE, NAMAE2, YUBINNO, JYUSYO, JYUSYO2, "
                        "RENMEI1) values (1, '佐々木', '健太郎', '530-0001', "
                        "'大阪府大阪市北区梅田3-1-1', 'グランフロント大阪北館12階', '由美子')");
        dm.IBQuery1.ExecSQL();
        dm.close();
    }

    // The cards as the TYPE1 preview (or an envelope) and velta-cards compose them, in reading
    // order.
    QVector<PreparedPage> cards(CardLayout layout = CardLayout::Type1) {
        TDM dm(work.path());
        TfrxReport report = makeCardTemplate(layout);
        composeCards(report, layout, CardOptions{},
                     orderedByReading(readCardRecipients(dm, CardSearch::Surname, {}),
                                      [](const CardRecipient& card) { return card.reading; }),
                     dm);
        dm.close();
        return report.PreviewPages();
    }

    // velta-cards in the working folder: exit status, standard output and error.
    int cardsTool(const QStringList& arguments, QString* out = nullptr, QString* err = nullptr) {
        QProcess tool;
        tool.setWorkingDirectory(work.path());
        tool.start(VELTA_CARDS_PATH, arguments);
        tool.waitForFinished(120000);
        if (out)
            *out = QString::fromUtf8(tool.readAllStandardOutput());
        if (err)
            *err = QString::fromUtf8(tool.readAllStandardError());
        return tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
    }

    // The job a program's output names (「…（ジョブ velta-pdf-12）」); 0 when none.
    static int jobIn(const QString& out) {
        static const QRegularExpression job("ジョブ .*-(\\d+)）");
        return job.match(out).captured(1).toInt();
    }

    PrintServer server;
    QTemporaryDir work, folder;
};

QString pageSize(const QString& pdf) {
    QProcess info;
    info.start("pdfinfo", {"-f", "1", "-l", "99", pdf});
    info.waitForFinished();
    return QString::fromUtf8(info.readAllStandardOutput());
}

QRect dots(const QRectF& mm) {
    return QRect(QPoint(int(mm.left() * kDotsPerMm), int(mm.top() * kDotsPerMm)),
                 QPoint(int(mm.right() * kDotsPerMm), int(mm.bottom() * kDotsPerMm)));
}

// The ink of an image inside a rectangle, in millimetres from the page's corner.
QRectF inkIn(const QImage& image, const QRectF& mm) {
    const QRect area = dots(mm).intersected(image.rect());
    const QRect ink = velta::test::inkBounds(image.copy(area));
    if (ink.isEmpty())
        return {};
    return QRectF(QPointF(area.left() + ink.left(), area.top() + ink.top()) / kDotsPerMm,
                  QSizeF(ink.width(), ink.height()) / kDotsPerMm);
}

// Every box of every page inks the printed file where it inks the exported one, moved by
// `shift` (mm; the calibration), and the printed pages are the paper's exact size.
void expectPrintedAsExported(const QString& exported, const QString& printed,
                             const QVector<PreparedPage>& pages, QPointF shift = {}) {
    const QString info = pageSize(printed);
    static const QRegularExpression pagesLine("Pages:\\s+(\\d+)");
    ASSERT_EQ(pagesLine.match(info).captured(1).toInt(), pages.size()) << info.toStdString();
    static const QRegularExpression sizeLine("Page\\s+\\d+ size:\\s+([\\d.]+) x ([\\d.]+) pts");
    int sized = 0;
    for (auto match = sizeLine.globalMatch(info); match.hasNext() && sized < pages.size();
         ++sized) {
        const auto m = match.next();
        const PageSetup& paper = pages[sized].page;
        EXPECT_NEAR(m.captured(1).toDouble() * 25.4 / 72, paper.PaperWidth, 0.01)
            << info.toStdString();
        EXPECT_NEAR(m.captured(2).toDouble() * 25.4 / 72, paper.PaperHeight, 0.01)
            << info.toStdString();
    }
    EXPECT_EQ(sized, pages.size()) << info.toStdString();
    for (int i = 0; i < pages.size(); ++i) {
        const QImage want = velta::test::rasterize(exported, i + 1);
        const QImage got = velta::test::rasterize(printed, i + 1);
        ASSERT_FALSE(want.isNull());
        ASSERT_FALSE(got.isNull());
        const QRectF paper(0, 0, pages[i].page.PaperWidth, pages[i].page.PaperHeight);
        const QRectF wholeWant = inkIn(want, paper);
        const QRectF wholeGot = inkIn(got, paper);
        const QPointF moved = wholeGot.topLeft() - wholeWant.topLeft() - shift;
        EXPECT_LT(std::hypot(moved.x(), moved.y()), kPrintTolerance)
            << "page " << i + 1 << ": the printed card is moved " << moved.x() << " mm right and "
            << moved.y() << " mm down";
        int compared = 0;
        for (const LaidOutBox& box : layOutPage(pages[i])) {
            if (box.glyphs.isEmpty())
                continue;
            const QRectF clip(box.clip.topLeft() / kUnitsPerMm, box.clip.size() / kUnitsPerMm);
            const QRectF wanted = inkIn(want, clip.adjusted(-0.5, -0.5, 0.5, 0.5));
            if (wanted.isEmpty())
                continue; // a blank such as 「　」
            const QRectF found = inkIn(got, clip.adjusted(-0.5, -0.5, 0.5, 0.5).translated(shift))
                                     .translated(-shift);
            const std::string where = QString("page %1 %2").arg(i + 1).arg(box.name).toStdString();
            ASSERT_FALSE(found.isEmpty()) << where << " printed nothing";
            EXPECT_NEAR(found.left(), wanted.left(), kPrintTolerance) << where;
            EXPECT_NEAR(found.top(), wanted.top(), kPrintTolerance) << where;
            EXPECT_NEAR(found.right(), wanted.right(), kPrintTolerance) << where;
            EXPECT_NEAR(found.bottom(), wanted.bottom(), kPrintTolerance) << where;
            ++compared;
        }
        EXPECT_GE(compared, 8) << "page " << i + 1;
    }
}

} // namespace

TEST_F(CardPrinting, PreviewPrintsThroughCupsWhatPdfExportWrites) {
    const QVector<PreparedPage> pages = cards();
    ASSERT_EQ(pages.size(), 4);
    const QString exported = folder.filePath("export.pdf");
    ASSERT_TRUE(writePdf(exported, pages));
    const int before = server.lastJob();

    TfrxPreviewWindow window(pages);
    EXPECT_TRUE(window.printedPages().isEmpty());
    // The print dialog left as it opened: the queue's own default (A4) everywhere else.
    velta::test::WhenShown<QPrintDialog> dialog([](QPrintDialog& shown) { shown.accept(); });
    window.actPrint->trigger();
    ASSERT_TRUE(dialog.seen);
    const int job = server.lastJob();
    ASSERT_GT(job, before) << "no job reached the queue";
    // What the postcard window offers to record as sent: the pages the queue took.
    EXPECT_EQ(window.printedPages(), QList<int>({0, 1, 2, 3}));
    QString why;
    const QString printed = folder.filePath("printed.pdf");
    ASSERT_TRUE(server.takePrintedPdf(job, printed, &why)) << why.toStdString();
    expectPrintedAsExported(exported, printed, pages);
}

TEST_F(CardPrinting, VeltaCardsPrintsTheBatchMovedByTheQueuesCalibrationOnly) {
    const QPointF offset(1.5, -0.8);
    setPrintOffset(PrintServer::queue(), offset);
    const QString exported = work.filePath("export.pdf");
    QString out, err;
    // Default queue, one run writing the PDF and printing: the PDF stays exact.
    ASSERT_EQ(cardsTool({"--type", "1", "-o", "export.pdf", "--printer"}, &out, &err), 0)
        << err.toStdString();
    const int job = jobIn(out);
    ASSERT_GT(job, 0) << out.toStdString();
    EXPECT_TRUE(out.contains("4 枚のはがきをプリンター「velta-pdf」に送りました"))
        << out.toStdString();
    QString why;
    const QString printed = folder.filePath("printed.pdf");
    ASSERT_TRUE(server.takePrintedPdf(job, printed, &why)) << why.toStdString();
    const QVector<PreparedPage> pages = cards();
    expectPrintedAsExported(exported, printed, pages, offset);

    // What velta-cards -o wrote is what PDF 出力 writes: no correction in it.
    const QString reference = folder.filePath("reference.pdf");
    ASSERT_TRUE(writePdf(reference, pages));
    for (int page = 1; page <= pages.size(); ++page)
        EXPECT_EQ(velta::test::rasterize(exported, page, 150),
                  velta::test::rasterize(reference, page, 150))
            << "page " << page;
    setPrintOffset(PrintServer::queue(), {});
}

TEST_F(CardPrinting, EnvelopesAndLabelSheetsPrintOnTheirOwnPaper) {
    // velta-cards: a 長形3号 batch goes to the queue on 120 × 235 mm, inked as exported.
    QString out, err;
    ASSERT_EQ(cardsTool({"--paper", "長形3号", "-o", "export.pdf", "--printer"}, &out, &err), 0)
        << err.toStdString();
    EXPECT_TRUE(out.contains("4 枚の封筒をプリンター「velta-pdf」に送りました"))
        << out.toStdString();
    const int job = jobIn(out);
    ASSERT_GT(job, 0) << out.toStdString();
    QString why;
    const QString printed = folder.filePath("printed.pdf");
    ASSERT_TRUE(server.takePrintedPdf(job, printed, &why)) << why.toStdString();
    const QVector<PreparedPage> envelopes = cards(CardLayout::Naga3);
    ASSERT_EQ(envelopes.size(), 4);
    expectPrintedAsExported(work.filePath("export.pdf"), printed, envelopes);

    // The preview: a label sheet goes on A4, not on the card's paper.
    TDM dm(work.path());
    const QVector<PreparedPage> sheet =
        composeLabels(builtInLabelSheets().first(), CardOptions{},
                      readCardRecipients(dm, CardSearch::Surname, {}), nullptr);
    dm.close();
    ASSERT_EQ(sheet.size(), 1);
    TfrxPreviewWindow window(sheet);
    velta::test::WhenShown<QPrintDialog> dialog([](QPrintDialog& shown) { shown.accept(); });
    window.actPrint->trigger();
    const int labelJob = server.lastJob();
    ASSERT_GT(labelJob, job) << "no job reached the queue";
    const QString labels = folder.filePath("printed-labels.pdf");
    ASSERT_TRUE(server.takePrintedPdf(labelJob, labels, &why)) << why.toStdString();
    // The queue's own A4 (whole points: 595 × 842).
    static const QRegularExpression sizeLine("Page\\s+1 size:\\s+([\\d.]+) x ([\\d.]+) pts");
    const auto size = sizeLine.match(pageSize(labels));
    ASSERT_TRUE(size.hasMatch()) << pageSize(labels).toStdString();
    EXPECT_NEAR(size.captured(1).toDouble() * 25.4 / 72, 210, 0.15);
    EXPECT_NEAR(size.captured(2).toDouble() * 25.4 / 72, 297, 0.15);
}

TEST_F(CardPrinting, PreviewPrintsWithTheCalibrationAndPdfExportStaysExact) {
    const QPointF offset(-2.3, 1.1);
    setPrintOffset(PrintServer::queue(), offset);
    const QVector<PreparedPage> pages = cards().mid(0, 2);
    const QString reference = folder.filePath("reference.pdf");
    ASSERT_TRUE(writePdf(reference, pages));
    TfrxPreviewWindow window(pages);
    const QString exported = folder.filePath("export.pdf");
    window.exportPdf(exported);
    velta::test::WhenShown<QPrintDialog> dialog([](QPrintDialog& shown) { shown.accept(); });
    const int before = server.lastJob();
    window.actPrint->trigger();
    const int job = server.lastJob();
    ASSERT_GT(job, before);
    QString why;
    const QString printed = folder.filePath("printed.pdf");
    ASSERT_TRUE(server.takePrintedPdf(job, printed, &why)) << why.toStdString();
    expectPrintedAsExported(exported, printed, pages, offset);
    EXPECT_EQ(velta::test::rasterize(exported, 1, 150), velta::test::rasterize(reference, 1, 150));
    setPrintOffset(PrintServer::queue(), {});
}

TEST_F(CardPrinting, UnknownStoppedAndRefusingQueuesFailWithAMessageAndPrintNothing) {
    const QString ppd = "/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd";
    ASSERT_TRUE(
        server.admin("lpadmin", {"-p", "velta-stopped", "-E", "-v", "cups-pdf:/", "-P", ppd}));
    ASSERT_TRUE(
        server.admin("lpadmin", {"-p", "velta-closed", "-E", "-v", "cups-pdf:/", "-P", ppd}));
    ASSERT_TRUE(server.admin("cupsdisable", {"velta-stopped"}));
    ASSERT_TRUE(server.admin("cupsreject", {"velta-closed"}));
    const struct {
        const char* queue;
        const char* message;
    } cases[] = {{"velta-none", "プリンター「velta-none」が見つかりません"},
                 {"velta-stopped", "プリンター「velta-stopped」は停止しています"},
                 {"velta-closed", "プリンター「velta-closed」は印刷を受け付けていません"}};
    for (const auto& refused : cases) {
        QString out, err;
        EXPECT_EQ(cardsTool({"--type", "1", "--printer", refused.queue}, &out, &err), 1)
            << refused.queue;
        EXPECT_TRUE(err.contains(refused.message)) << err.toStdString();
        EXPECT_FALSE(out.contains("送りました")) << out.toStdString();
        EXPECT_EQ(server.lastJob(refused.queue), 0) << refused.queue;
    }
    // The preview says the same in the error box and keeps the cards.
    TfrxPreviewWindow window(cards().mid(0, 1));
    window.printer().setPrinterName("velta-stopped");
    EXPECT_THROW(window.print(), std::runtime_error);
    EXPECT_EQ(server.lastJob("velta-stopped"), 0);
    for (const char* queue : {"velta-stopped", "velta-closed"})
        server.admin("lpadmin", {"-x", queue});
}

TEST_F(CardPrinting, CalibrationIsKeptPerQueueAndTheTestSheetPrintsTheBoxesWhereTheCardHasThem) {
    ASSERT_TRUE(server.admin("lpadmin", {"-p", "velta-second", "-E", "-v", "cups-pdf:/", "-P",
                                         "/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd"}));
    {
        PositionCalibrationDialog dialog(nullptr, CardLayout::Type2);
        ASSERT_GE(dialog.queueBox->findData("velta-second"), 0);
        EXPECT_EQ(dialog.queue(), PrintServer::queue()); // the default queue first
        EXPECT_EQ(dialog.layout(), CardLayout::Type2);
        dialog.rightBox->setValue(0.7);
        dialog.downBox->setValue(-1.26); // 0.1 mm steps
        dialog.save();
        dialog.queueBox->setCurrentIndex(dialog.queueBox->findData("velta-second"));
        EXPECT_EQ(dialog.offset(), QPointF(0, 0));
    }
    EXPECT_EQ(printOffset(PrintServer::queue()), QPointF(0.7, -1.3));
    EXPECT_EQ(printOffset("velta-second"), QPointF(0, 0));
    server.admin("lpadmin", {"-x", "velta-second"});

    PositionCalibrationDialog dialog(nullptr, CardLayout::Type1);
    EXPECT_EQ(dialog.offset(), QPointF(0.7, -1.3)); // read back for the queue
    velta::test::RecordedBoxes boxes;
    const int job = dialog.printSheet();
    QString why;
    const QString printed = folder.filePath("sheet.pdf");
    ASSERT_TRUE(server.takePrintedPdf(job, printed, &why)) << why.toStdString();
    const QImage sheet = velta::test::rasterize(printed, 1);
    // Japan Post's first and last code boxes and TYPE1's first sender box, each moved by the
    // correction.
    const QVector<QRectF> recipient = postalFrameBoxes();
    for (const QRectF& box :
         {recipient.first(), recipient.last(), senderCodeBoxes(CardLayout::Type1).first()}) {
        const QRectF expected = box.translated(0.7, -1.3);
        const QRectF ink = inkIn(sheet, expected.adjusted(-0.4, -0.4, 0.4, 0.4));
        ASSERT_FALSE(ink.isEmpty());
        EXPECT_NEAR(ink.left(), expected.left(), kPrintTolerance);
        EXPECT_NEAR(ink.top(), expected.top(), kPrintTolerance);
        EXPECT_NEAR(ink.right(), expected.right(), kPrintTolerance);
        EXPECT_NEAR(ink.bottom(), expected.bottom(), kPrintTolerance);
    }
    EXPECT_EQ(boxes.texts(), QStringList{"テスト用紙をプリンター「velta-pdf」に送りました。"});
    setPrintOffset(PrintServer::queue(), {});
}

TEST(PrintCalibration, KeepsTenthsPerQueueAndReadsAHandEditedFileSafely) {
    setPrintOffset("office/laser", {0.04, 12.0}); // rounded; bounded to ±10 mm
    setPrintOffset("office", {-0.35, 0});
    EXPECT_EQ(printOffset("office/laser"), QPointF(0.0, 10.0));
    EXPECT_EQ(printOffset("office"), QPointF(-0.4, 0.0));
    EXPECT_EQ(printOffset("never-calibrated"), QPointF(0, 0));
    {
        QSettings edited(printSettingsFile(), QSettings::IniFormat);
        edited.setValue("offsets/office/right", "abc");
        edited.setValue("offsets/office/down", "250");
    }
    // A value that is not a sane correction moves nothing rather than the card off the paper.
    EXPECT_EQ(printOffset("office"), QPointF(0, 0));
    EXPECT_TRUE(printSettingsFile().startsWith(qEnvironmentVariable("XDG_CONFIG_HOME")));
}
