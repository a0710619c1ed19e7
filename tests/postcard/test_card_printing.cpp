// Cards printed through a real CUPS queue (cups-pdf, A4 by default) judged at ink level against
// PDF 出力: every box where the PDF has it, on a card-sized page.
#include "card_layouts.h"
#include "composition.h"
#include "dm.h"
#include "ink.h"
#include "page_renderer.h"
#include "pdf_writer.h"
#include "postal_code.h"
#include "preview_window.h"
#include "print_server.h"
#include "test_database.h"
#include "when_shown.h"

#include <QPrintDialog>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace velta;
using velta::test::PrintServer;
using velta::test::TestDatabase;

namespace {

constexpr double kDotsPerMm = 600 / 25.4;
constexpr double kPrintTolerance = 0.2; // mm

class CardPrinting : public ::testing::Test {
protected:
    void SetUp() override {
        if (!PrintServer::available())
            GTEST_SKIP() << "VELTA_TEST_CUPS_SERVER is not set (scripts/test.sh starts cupsd)";
        database.execute("insert into MST_SASIDASI (KEY1, NAMAE, NAMAE2, YUBINNO, JYUSYO, "
                         "JYUSYO2, RENMEI1) values (1, '佐々木', '健太郎', '530-0001', "
                         "'大阪府大阪市北区梅田3-1-1', 'グランフロント大阪北館12階', '由美子')");
    }

    // Four cards as the TYPE1 preview composes them.
    QVector<PreparedPage> fourCards(CardLayout layout = CardLayout::Type1) {
        const QList<QStringList> rows = {
            {"1", "", spacedPostalCode("1600022", false), "東京都新宿区新宿3-38-1",
             "ルミネエスト5階", "佐藤", "由美子", "", "", "", "さとう"},
            {"2", "", spacedPostalCode("2310023", false), "神奈川県横浜市中区山下町1-2-3", "　",
             "長谷川", "健太郎", "美奈子", "翔", "", "はせがわ"},
            {"3", "", spacedPostalCode("0200004", false), "岩手県盛岡市山岸四丁目二十五番地の十二",
             "盛岡山岸ガーデンハイツ南棟", "鈴木", "美智子", "", "", "", "すずき"},
            {"4", "", spacedPostalCode("0600001", false), "北海道札幌市中央区北一条西二丁目一番地",
             "　", "勅使河原", "一", "", "花子", "", "てしがわら"}};
        auto dm = database.connect();
        TfrxReport report = makeCardTemplate(layout);
        composeCards(report, layout, CardOptions{}, rows, *dm);
        dm->close();
        return report.PreviewPages();
    }

    PrintServer server;
    TestDatabase database;
    QTemporaryDir folder;
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
// `shift` (mm; the calibration), and the printed pages are the card's exact size.
void expectPrintedAsExported(const QString& exported, const QString& printed,
                             const QVector<PreparedPage>& pages, QPointF shift = {}) {
    const QString info = pageSize(printed);
    static const QRegularExpression pagesLine("Pages:\\s+(\\d+)");
    ASSERT_EQ(pagesLine.match(info).captured(1).toInt(), pages.size()) << info.toStdString();
    static const QRegularExpression sizeLine("Page\\s+\\d+ size:\\s+([\\d.]+) x ([\\d.]+) pts");
    int sized = 0;
    for (auto match = sizeLine.globalMatch(info); match.hasNext(); ++sized) {
        const auto m = match.next();
        EXPECT_NEAR(m.captured(1).toDouble() * 25.4 / 72, 100.0, 0.01) << info.toStdString();
        EXPECT_NEAR(m.captured(2).toDouble() * 25.4 / 72, 148.0, 0.01) << info.toStdString();
    }
    EXPECT_EQ(sized, pages.size()) << info.toStdString();
    for (int i = 0; i < pages.size(); ++i) {
        const QImage want = velta::test::rasterize(exported, i + 1);
        const QImage got = velta::test::rasterize(printed, i + 1);
        ASSERT_FALSE(want.isNull());
        ASSERT_FALSE(got.isNull());
        const QRectF wholeWant = inkIn(want, QRectF(0, 0, 100, 148));
        const QRectF wholeGot = inkIn(got, QRectF(0, 0, 100, 148));
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
        EXPECT_GE(compared, 20) << "page " << i + 1;
    }
}

} // namespace

TEST_F(CardPrinting, PreviewPrintsThroughCupsWhatPdfExportWrites) {
    const QVector<PreparedPage> pages = fourCards();
    const QString exported = folder.filePath("export.pdf");
    ASSERT_TRUE(writePdf(exported, pages));
    const int before = server.lastJob();

    TfrxPreviewWindow window(pages);
    // The print dialog left as it opened: the queue's own default (A4) everywhere else.
    velta::test::WhenShown<QPrintDialog> dialog([](QPrintDialog& shown) { shown.accept(); });
    window.actPrint->trigger();
    ASSERT_TRUE(dialog.seen);
    const int job = server.lastJob();
    ASSERT_GT(job, before) << "no job reached the queue";
    QString why;
    const QString printed = folder.filePath("printed.pdf");
    ASSERT_TRUE(server.takePrintedPdf(job, printed, &why)) << why.toStdString();
    expectPrintedAsExported(exported, printed, pages);
}
