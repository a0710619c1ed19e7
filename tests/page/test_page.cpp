#include "card_layouts.h"
#include "ink.h"
#include "page_file.h"
#include "page_fonts.h"
#include "page_model.h"
#include "page_renderer.h"
#include "pdf_writer.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace velta;

namespace {

constexpr double kPixelsPerMm = 10.0;

TextBox box(const QString& text, double xMm, double yMm, double wMm, double hMm, int rotation = 0,
            const QString& font = "@HGP明朝E") {
    TextBox b;
    b.Name = "Test";
    b.Left = mmToUnits(xMm);
    b.Top = mmToUnits(yMm);
    b.Width = mmToUnits(wMm);
    b.Height = mmToUnits(hMm);
    b.Text = text;
    b.FontName = font;
    b.setFontSize(20);
    b.Rotation = rotation;
    return b;
}

PreparedPage pageWith(std::initializer_list<TextBox> boxes) {
    return PreparedPage{PageSetup{}, QVector<TextBox>(boxes), {}};
}

// The card drawn at 10 pixels per millimetre.
QImage render(const PreparedPage& page) {
    QImage image(1000, 1480, QImage::Format_RGB32);
    image.setDotsPerMeterX(static_cast<int>(kPixelsPerMm * 1000));
    image.setDotsPerMeterY(static_cast<int>(kPixelsPerMm * 1000));
    image.fill(Qt::white);
    QPainter painter(&image);
    renderPage(painter, page);
    return image;
}

// Bounding box of the ink, in millimetres; empty when nothing was drawn.
QRectF ink(const QImage& image) {
    const QRect inked = velta::test::inkBounds(image);
    if (inked.isEmpty())
        return {};
    return QRectF(inked.left() / kPixelsPerMm, inked.top() / kPixelsPerMm,
                  inked.width() / kPixelsPerMm, inked.height() / kPixelsPerMm);
}

QRectF clipMm(const LaidOutBox& laid) {
    const QRectF c = laid.clip;
    return QRectF(c.x() / kUnitsPerMm, c.y() / kUnitsPerMm, c.width() / kUnitsPerMm,
                  c.height() / kUnitsPerMm);
}

} // namespace

TEST(PageModel, PreparedPagesAreSnapshotsInPreparationOrder) {
    TfrxReport report;
    report.boxes.append(box("一", 10, 10, 20, 20));
    for (int i = 0; i < 10; ++i) {
        report.FindObject("Test")->Text = QString::number(i);
        report.PrepareReport(false);
    }
    report.FindObject("Test")->Visible = false;
    ASSERT_EQ(report.PreviewPages().size(), 10);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(report.PreviewPages()[i].box(0).Text, QString::number(i));
        EXPECT_TRUE(report.PreviewPages()[i].box(0).Visible);
    }
    report.PrepareReport(true);
    EXPECT_EQ(report.PreviewPages().size(), 1);
    report.PreviewPagesClear();
    EXPECT_TRUE(report.PreviewPages().isEmpty());
    EXPECT_EQ(report.FindObject("Memo99"), nullptr);
}

TEST(PageModel, FontSizesAndHeightsConvertAt96Dpi) {
    TextBox b;
    for (auto [points, height] : {std::pair{20, -27}, {17, -23}, {10, -13}, {8, -11}}) {
        b.setFontSize(points);
        EXPECT_EQ(b.FontHeight, height);
        EXPECT_EQ(b.fontSize(), points);
    }
}

TEST(CardLayouts, DigitBoxesStandWhereTheCardsCodeBoxesAre) {
    auto clipOf = [](CardLayout layout, const char* name) {
        TfrxReport report = makeCardTemplate(layout);
        report.FindObject(name)->Text = "1";
        report.PrepareReport(false);
        for (const LaidOutBox& laid : layOutPage(report.PreviewPages()[0]))
            if (laid.name == QLatin1String(name))
                return clipMm(laid);
        return QRectF();
    };
    EXPECT_NEAR(clipOf(CardLayout::Type1, "Memo1").left(), 45.22, 0.005);
    EXPECT_NEAR(clipOf(CardLayout::Type2, "Memo1").left(), 45.48, 0.005);
    EXPECT_NEAR(clipOf(CardLayout::Type1, "Memo1").top(), 12.65, 0.005);
    EXPECT_NEAR(clipOf(CardLayout::Type1, "Memo8").top(), 138.59, 0.005);
    EXPECT_NEAR(clipOf(CardLayout::Type2, "Memo8").top(), 123.51, 0.005);
    EXPECT_NEAR(clipOf(CardLayout::Type1, "Memo17").left(), 3.21, 0.005);
}

TEST(CardLayouts, TheLayoutFilesPutTheCodeDigitsOnTheUnitsTheyAlwaysStoodOn) {
    // Where the digits were placed before the layouts became data files, in 1/96 inch.
    const int recipient[2][7] = {{152, 178, 204, 233, 259, 284, 310},
                                 {153, 179, 205, 233, 260, 285, 311}};
    const int sender[2][7] = {{4, 20, 35, 54, 69, 84, 100}, {4, 19, 35, 54, 69, 84, 99}};
    const int senderRow[2] = {486, 429};
    const char* recipientNames[] = {"Memo1",  "Memo19", "Memo20", "Memo21",
                                    "Memo22", "Memo23", "Memo24"};
    const char* senderNames[] = {"Memo8",  "Memo25", "Memo26", "Memo27",
                                 "Memo28", "Memo29", "Memo30"};
    for (const int type : {0, 1}) {
        TfrxReport report = makeCardTemplate(type == 0 ? CardLayout::Type1 : CardLayout::Type2);
        for (int i = 0; i < 7; ++i) {
            EXPECT_EQ(std::lround(report.FindObject(recipientNames[i])->Left), recipient[type][i]);
            EXPECT_EQ(std::lround(report.FindObject(recipientNames[i])->Top), 10);
            EXPECT_EQ(std::lround(report.FindObject(senderNames[i])->Left), sender[type][i]);
            EXPECT_EQ(std::lround(report.FindObject(senderNames[i])->Top), senderRow[type]);
        }
        EXPECT_EQ(std::lround(report.FindObject("Memo31")->Left), 46);
        EXPECT_EQ(std::lround(report.FindObject("Memo31")->Top), senderRow[type] - 1);
        EXPECT_EQ(report.Page1, PageSetup{});
        EXPECT_EQ(report.FindObject("Memo2")->CharSpacing, 2.0); // units, as the form had them
        EXPECT_EQ(report.FindObject("Memo2")->LineSpacing, 10.0);
        EXPECT_EQ(report.FindObject("Memo4")->MaxLines, 1);
        EXPECT_TRUE(report.FindObject("Memo3")->UseDefaultCharset);
    }
}

TEST(CardLayouts, TypesDifferOnlyWhereTheLayoutsDo) {
    TfrxReport type1 = makeCardTemplate(CardLayout::Type1);
    const TfrxReport type2 = makeCardTemplate(CardLayout::Type2);
    ASSERT_EQ(type1.boxes.size(), 41);
    ASSERT_EQ(type2.boxes.size(), 41);
    QStringList differing;
    for (int i = 0; i < 41; ++i) {
        const TextBox& a = type1.boxes[i];
        const TextBox& b = type2.boxes[i];
        EXPECT_EQ(a.Name, b.Name);
        EXPECT_EQ(a.FontName, b.FontName);
        EXPECT_EQ(a.Width, b.Width);
        if (a.Left != b.Left || a.Top != b.Top)
            differing.append(a.Name);
    }
    differing.sort();
    EXPECT_EQ(differing, QStringList({"Memo1", "Memo10", "Memo19", "Memo20", "Memo22", "Memo23",
                                      "Memo24", "Memo25", "Memo26", "Memo27", "Memo28", "Memo29",
                                      "Memo30", "Memo31", "Memo8"}));
    EXPECT_FALSE(type1.FindObject("Memo7")->Visible);
    EXPECT_EQ(type1.FindObject("Memo6")->Text, "様");
}

TEST(Renderer, BoxesLandFiveAndTenMillimetresInAndHiddenBoxesLeaveNoTrace) {
    const QRectF drawn = ink(render(pageWith({box("山", 20, 30, 20, 20, 0, "HGP明朝E")})));
    ASSERT_FALSE(drawn.isEmpty());
    EXPECT_GE(drawn.left(), 25.0);
    EXPECT_LT(drawn.left(), 25.0 + 2.0);
    EXPECT_GE(drawn.top(), 40.0);
    EXPECT_LT(drawn.top(), 40.0 + 3.0);

    TextBox hidden = box("山", 20, 30, 20, 20);
    hidden.Visible = false;
    EXPECT_TRUE(ink(render(pageWith({hidden}))).isEmpty());

    TextBox inMargin = box("山\r\n田", -4, 30, 8, 16, 270); // its second column is in the margin
    inMargin.setFontSize(8);
    const QRectF margin = ink(render(pageWith({inMargin})));
    ASSERT_FALSE(margin.isEmpty());
    EXPECT_LT(margin.left(), 5.0); // drawn in the card's left margin
}

TEST(Renderer, TextTooLongIsCutAtWholeGlyphsInsideItsBoxAndMarked) {
    const PreparedPage page =
        pageWith({box("山田太郎花子山田太郎花子山田太郎花子", 10, 10, 9, 16, 270)});
    const QRectF drawn = ink(render(page));
    ASSERT_FALSE(drawn.isEmpty());
    EXPECT_GE(drawn.left(), 15.0 - 0.05);
    EXPECT_LE(drawn.right(), 24.0 + 0.05);
    EXPECT_GE(drawn.top(), 20.0 - 0.05);
    EXPECT_LE(drawn.bottom(), 36.0 + 0.05);
    const auto laid = layOutPage(page);
    EXPECT_TRUE(laid[0].overflows);
    ASSERT_EQ(laid[0].glyphs.size(), 2); // two whole characters fit, none is drawn in part
    EXPECT_EQ(laid[0].glyphs[1].text, "田");
}

TEST(Renderer, VerticalLinesRunDownwardFromTheRightmostColumn) {
    const auto laid = layOutPage(pageWith({box("山田\r\n太郎", 10, 10, 30, 40, 270)}));
    ASSERT_EQ(laid.size(), 1);
    const auto& g = laid[0].glyphs;
    ASSERT_EQ(g.size(), 4);
    EXPECT_EQ(g[0].text, QString("山"));
    EXPECT_NEAR(g[0].position.x(), g[1].position.x(), 0.01); // same column
    EXPECT_GT(g[1].position.y(), g[0].position.y());         // downward
    EXPECT_LT(g[2].position.x(), g[0].position.x() - 20);    // next column to the left
    EXPECT_NEAR(g[2].position.y(), g[0].position.y(), 0.01);
    // The first column sits at the frame's right edge.
    EXPECT_GE(g[0].position.x(), laid[0].clip.right() - 2 - 27 - 0.01);

    // A line too long for the column wraps into the next one.
    const auto wrapped = layOutPage(pageWith({box("一二三四五六", 10, 10, 30, 20, 270)}));
    EXPECT_LT(wrapped[0].glyphs.back().position.x(), wrapped[0].glyphs.front().position.x() - 20);
}

TEST(Renderer, VerticalFacesGiveVerticalFormsAndHalfWidthLiesDown) {
    auto glyphOf = [](const QString& text, int rotation) {
        return layOutPage(pageWith({box(text, 10, 10, 30, 40, rotation)}))[0].glyphs[0];
    };
    for (const char* turned : {"ー", "（", "）", "「", "」", "〜"})
        EXPECT_NE(glyphOf(turned, 270).glyph, glyphOf(turned, 0).glyph) << turned;
    EXPECT_EQ(glyphOf("山", 270).glyph, glyphOf("山", 0).glyph);
    EXPECT_FALSE(glyphOf("山", 270).sideways);
    EXPECT_TRUE(glyphOf("A", 270).sideways);
    // Small kana sit towards the column's upper right in vertical writing.
    EXPECT_NE(glyphOf("ゃ", 270).glyph, glyphOf("ゃ", 0).glyph);
}

TEST(Renderer, PdfHasCardSizedPagesWithEmbeddedFonts) {
    QTemporaryDir folder;
    const QString file = folder.filePath("cards.pdf");
    ASSERT_TRUE(writePdf(file, {pageWith({box("山田太郎", 40, 30, 12, 40, 270)}),
                                pageWith({box("〒", 10, 10, 10, 10)})}));
    QProcess info;
    info.start("pdfinfo", {file});
    info.waitForFinished();
    const QString text = QString::fromUtf8(info.readAllStandardOutput());
    EXPECT_TRUE(text.contains(QRegularExpression("Pages:\\s+2"))) << text.toStdString();
    // Exactly 100 × 148 mm.
    EXPECT_TRUE(text.contains("Page size:       283.465 x 419.528 pts")) << text.toStdString();
    QProcess fonts;
    fonts.start("pdffonts", {file});
    fonts.waitForFinished();
    const QStringList rows =
        QString::fromUtf8(fonts.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts).mid(2);
    ASSERT_FALSE(rows.isEmpty());
    for (const QString& row : rows)
        EXPECT_TRUE(row.contains(" yes ")) << row.toStdString();
}

TEST(Renderer, PdfTextIsTheTextPrintedNotRadicalsOrPresentationForms) {
    QTemporaryDir folder;
    const QString file = folder.filePath("text.pdf");
    const QString printed = "一大山田木子ー、。「ゃ」（〜）";
    ASSERT_TRUE(writePdf(file, {pageWith({box(printed, 40, 10, 12, 120, 270)})}));
    QProcess extract;
    extract.start("pdftotext", {"-raw", file, "-"});
    extract.waitForFinished();
    QString text = QString::fromUtf8(extract.readAllStandardOutput());
    text.remove(QRegularExpression("\\s"));
    EXPECT_EQ(text, printed);
}

TEST(Renderer, CharactersTheFaceLacksAreDrawnByAJapaneseFaceThatHasThem) {
    // No installed face has every character here (Ѩ is in DejaVu Sans only, 𠮷 lies outside
    // the BMP): each character is drawn by a face that has it, never as an empty box.
    const PreparedPage page = pageWith({box("SmitѨ髙橋𠮷", 10, 10, 80, 20, 0, "DejaVu Sans")});
    const QVector<LaidOutBox> laid = layOutPage(page);
    ASSERT_EQ(laid.size(), 1);
    EXPECT_EQ(laid[0].family, "DejaVu Sans");
    ASSERT_EQ(laid[0].glyphs.size(), 8);
    for (int i = 0; i < 8; ++i) {
        const PlacedGlyph& glyph = laid[0].glyphs[i];
        EXPECT_NE(glyph.glyph, 0u) << i;
        EXPECT_EQ(glyph.font == nullptr, i < 5) << i; // S m i t Ѩ from the box's face
        if (glyph.font) {
            EXPECT_TRUE(glyph.font->family().contains("CJK") ||
                        glyph.font->family().startsWith("IPA"))
                << glyph.font->family().toStdString();
        }
    }
    // The stand-in glyphs follow on the line.
    EXPECT_GT(laid[0].glyphs[5].position.x(), laid[0].glyphs[4].position.x());
    const QImage image = render(page);
    EXPECT_GT(velta::test::inkBounds(image).width(), 400); // all eight drawn: over 40 mm of ink

    QTemporaryDir folder;
    const QString file = folder.filePath("mixed.pdf");
    ASSERT_TRUE(writePdf(file, {page}));
    QProcess extract;
    extract.start("pdftotext", {file, "-"});
    extract.waitForFinished();
    EXPECT_EQ(QString::fromUtf8(extract.readAllStandardOutput()).trimmed(), "SmitѨ髙橋𠮷");
    QProcess fonts;
    fonts.start("pdffonts", {file});
    fonts.waitForFinished();
    const QString list = QString::fromUtf8(fonts.readAllStandardOutput());
    EXPECT_TRUE(list.contains("DejaVuSans")) << list.toStdString();
    EXPECT_TRUE(list.contains("CJK") || list.contains("IPA")) << list.toStdString();
}

// What a PDF's pages show: their text, and each page drawn at 30 dpi.
struct PdfPages {
    QString text;
    QList<QImage> images;
};

PdfPages pdfPages(const QString& file) {
    PdfPages pages;
    QProcess extract;
    extract.start("pdftotext", {"-raw", file, "-"});
    extract.waitForFinished();
    pages.text = QString::fromUtf8(extract.readAllStandardOutput());
    QTemporaryDir folder;
    QProcess draw;
    draw.start("pdftoppm", {"-r", "30", "-png", file, folder.filePath("page")});
    draw.waitForFinished();
    QStringList names = QDir(folder.path()).entryList({"page*.png"}, QDir::Files, QDir::Name);
    for (const QString& name : names)
        pages.images.append(QImage(folder.filePath(name)));
    return pages;
}

TEST(Renderer, PagesDrawnOnTheirOwnThreadAreThePagesDrawnAtOnce) {
    // More pages than go to the drawing thread at a time, unlike each other: faces that stand in
    // for a character, characters lying down, 長体.
    QVector<PreparedPage> pages;
    for (int i = 0; i < 75; ++i) {
        TextBox narrowed = box(QString("東京都千代田区%1番地").arg(i), 60, 10, 12, 40, 270);
        narrowed.Condense = 0.8;
        pages.append(pageWith(
            {narrowed, box(QString("SmitѨ髙橋𠮷 %1").arg(i), 10, 60, 80, 20, 0, "DejaVu Sans"),
             box(QString("ABC（%1）").arg(i), 30, 90, 12, 50, 270)}));
    }
    QTemporaryDir folder;
    const QString atOnce = folder.filePath("at-once.pdf"), threaded = folder.filePath("thread.pdf");
    PdfWriter first(atOnce), second(threaded);
    second.drawInBackground();
    for (const PreparedPage& page : pages) {
        ASSERT_TRUE(first.addPage(page));
        ASSERT_TRUE(second.addPage(page)) << second.error().toStdString();
    }
    ASSERT_TRUE(first.finish());
    ASSERT_TRUE(second.finish()) << second.error().toStdString();
    EXPECT_EQ(second.pageCount(), 75);
    const PdfPages expected = pdfPages(atOnce), drawn = pdfPages(threaded);
    EXPECT_TRUE(expected.text.contains("SmitѨ髙橋𠮷 74")) << expected.text.toStdString();
    EXPECT_EQ(drawn.text, expected.text);
    ASSERT_EQ(expected.images.size(), 75);
    ASSERT_EQ(drawn.images.size(), 75);
    for (int i = 0; i < 75; ++i)
        EXPECT_EQ(drawn.images[i], expected.images[i]) << "page " << i + 1;
}

TEST(Renderer, APageTheDrawingThreadCannotWriteStopsTheRunAndSaysSo) {
    PdfWriter writer("/dev/full");
    writer.drawInBackground();
    const PreparedPage page = pageWith({box("山田太郎", 40, 30, 12, 40, 270)});
    bool accepted = true;
    int given = 0;
    while (accepted && given < 5000) {
        accepted = writer.addPage(page);
        ++given;
    }
    EXPECT_FALSE(accepted && writer.finish()); // refused mid-run, or at the end at the latest
    EXPECT_TRUE(writer.error().contains("書き出せませんでした")) << writer.error().toStdString();
    EXPECT_FALSE(writer.addPage(page)); // nothing more is taken once the file is lost
}

TEST(Renderer, FailedPdfKeepsTheOldFileAndSaysSo) {
    QTemporaryDir folder;
    const QString file = folder.filePath("old.pdf");
    QFile old(file);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old contents");
    old.close();
    QString error;
    EXPECT_FALSE(writePdf(file, {}, &error));
    EXPECT_TRUE(error.contains("元のファイルはそのままです")) << error.toStdString();
    EXPECT_FALSE(writePdf("/dev/full", {pageWith({box("山", 10, 10, 20, 20, 270)})}, &error));
    EXPECT_TRUE(error.contains("書き出せませんでした")) << error.toStdString();
    QFile kept(file);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), "old contents");
    // A page file that cannot be written whole is refused with a message.
    EXPECT_THROW(savePages("/dev/full", {pageWith({box("山", 10, 10, 20, 20, 270)})}),
                 PageFileError);
}
