// The printed card judged at ink level: every box's ink inside its box, columns starting at the
// frame top, nothing overprinted, every character printed, and the PDF and the printer agreeing.
#include "card_layouts.h"
#include "composition.h"
#include "dm.h"
#include "ink.h"
#include "label_sheets.h"
#include "page_fonts.h"
#include "page_renderer.h"
#include "pdf_writer.h"
#include "postal_code.h"
#include "postal_dictionary.h"
#include "postal_frame.h"
#include "preview_window.h"
#include "sample_cards.h"
#include "test_database.h"

#include <QApplication>
#include <QImage>
#include <QPageSetupDialog>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QTransform>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

using namespace velta;
using velta::test::TestDatabase;

namespace {

constexpr double kDotsPerMm = 600 / 25.4;
constexpr double kInkTolerance = 0.05; // mm: about one dot at 600 dpi

struct Recipient {
    QString postal, address1, address2, surname, given, joint1, joint2;
};

// Realistic cards: two- to four-character names, joint names, long addresses, both kinds of
// postal code, symbols.
const QVector<Recipient> kRecipients = {
    {"1600022", "東京都新宿区新宿3-38-1", "ルミネエスト5階", "佐藤", "由美子", "", ""},
    {"１６０－００２２", "神奈川県横浜市中区山下町1-2-3 ﾊﾟｰｸﾀﾜｰ", "", "長谷川", "健太郎", "美奈子",
     "翔"},
    {"020-0004", "岩手県盛岡市山岸四丁目二十五番地の十二 盛岡山岸ガーデンハイツ南棟三〇五号室", "",
     "鈴木", "美智子", "", ""},
    {"0600001", "北海道札幌市中央区北一条西二丁目一番地 札幌時計台前通りビルディング",
     "メゾン℃°♪№Ⅱ※○ー棟", "勅使河原", "一", "", "花子"},
};

class CardInk : public ::testing::Test {
protected:
    CardInk() : dm(database.connect()) {
        database.execute("insert into MST_SASIDASI (KEY1, NAMAE, NAMAE2, YUBINNO, JYUSYO, JYUSYO2, "
                         "RENMEI1) values (1, '佐々木', '健太郎', '530-0001', "
                         "'大阪府大阪市北区梅田3-1-1', 'グランフロント大阪北館―12階', '由美子')");
    }

    QList<CardRecipient> rows(const QVector<Recipient>& recipients) const {
        QList<CardRecipient> cards;
        for (const Recipient& r : recipients)
            cards.append({cards.size() + 1,
                          r.postal,
                          r.address1,
                          r.address2,
                          r.surname,
                          r.given,
                          r.joint1,
                          r.joint2,
                          "",
                          "よみ",
                          {}});
        return cards;
    }
    TfrxReport compose(CardLayout layout, const QVector<Recipient>& recipients,
                       const CardOptions& options = {}) {
        return compose(layout, rows(recipients), options);
    }
    TfrxReport compose(CardLayout layout, const QList<CardRecipient>& cards,
                       const CardOptions& options = {}) {
        TfrxReport report = makeCardTemplate(layout);
        composeCards(report, layout, options, cards, *dm);
        dm->close();
        return report;
    }

    TestDatabase database;
    std::unique_ptr<TDM> dm;
};

QRectF toMm(const QRectF& units) {
    return QRectF(units.topLeft() / kUnitsPerMm, units.size() / kUnitsPerMm);
}

// The ink of some laid-out boxes at 600 dpi, in millimetres; empty when nothing is drawn.
QRectF inkOf(const QVector<LaidOutBox>& boxes, const QRectF& regionMm) {
    QImage image(static_cast<int>(regionMm.width() * kDotsPerMm) + 1,
                 static_cast<int>(regionMm.height() * kDotsPerMm) + 1, QImage::Format_Grayscale8);
    image.fill(255);
    {
        QPainter painter(&image);
        painter.scale(kDotsPerMm / kUnitsPerMm, kDotsPerMm / kUnitsPerMm);
        painter.translate(-regionMm.topLeft() * kUnitsPerMm);
        paintBoxes(painter, boxes);
    }
    const QRect inked = velta::test::inkBounds(image, 160);
    if (inked.isEmpty())
        return {};
    return QRectF(regionMm.left() + inked.left() / kDotsPerMm,
                  regionMm.top() + inked.top() / kDotsPerMm, inked.width() / kDotsPerMm,
                  inked.height() / kDotsPerMm);
}

// How many dots at 600 dpi both laid-out boxes ink within a region (millimetres).
int sharedDots(const LaidOutBox& first, const LaidOutBox& second, const QRectF& regionMm) {
    auto draw = [&](const LaidOutBox& box) {
        QImage image(static_cast<int>(regionMm.width() * kDotsPerMm) + 1,
                     static_cast<int>(regionMm.height() * kDotsPerMm) + 1,
                     QImage::Format_Grayscale8);
        image.fill(255);
        QPainter painter(&image);
        painter.scale(kDotsPerMm / kUnitsPerMm, kDotsPerMm / kUnitsPerMm);
        painter.translate(-regionMm.topLeft() * kUnitsPerMm);
        paintBoxes(painter, {box});
        return image;
    };
    const QImage a = draw(first), b = draw(second);
    int shared = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            shared += qGray(a.pixel(x, y)) < 128 && qGray(b.pixel(x, y)) < 128;
    return shared;
}

// The ink rectangle of one placed glyph, in millimetres, from the face's own outline bounds
// (taken at a large size: small sizes round them to whole pixels).
QRectF glyphInk(const LaidOutBox& box, const PlacedGlyph& glyph) {
    constexpr double kLarge = 2048;
    const QRectF large = pageFont(box.family, box.weight).rawAt(kLarge).boundingRect(glyph.glyph);
    const double scale = box.pixelSize / kLarge;
    QRectF bounds(large.topLeft() * scale, large.size() * scale);
    if (glyph.sideways)
        bounds = QTransform().rotate(90).mapRect(bounds);
    bounds = QTransform().scale(1, box.condense).mapRect(bounds); // 長体: down the column
    return toMm(bounds.translated(glyph.position));
}

// Where the first character's ink starts below its frame's top when the same character is set
// horizontally at the same size: the glyph's own top bearing, independent of vertical layout.
double horizontalTopBearing(const TextBox& source, const PlacedGlyph& first) {
    TextBox box = source;
    box.Rotation = 0;
    box.Text = first.text;
    box.Width = box.Height = 400;
    box.FitText = false;
    box.MaxLines = 0;
    box.ContinueIn.clear();
    const LaidOutBox laid = layOutPage(PreparedPage{PageSetup{}, {box}, {}}).first();
    const QRectF frame = toMm(laid.frame);
    return inkOf({laid}, frame).top() - frame.top();
}

TextBox sourceOf(const PreparedPage& page, const QString& name) {
    for (const TextBox& box : page.boxes())
        if (box.Name == name)
            return box;
    throw std::runtime_error("no such box");
}

LaidOutBox laidBox(const PreparedPage& page, const QString& name) {
    for (const LaidOutBox& box : layOutPage(page))
        if (box.name == name)
            return box;
    throw std::runtime_error("no such visible box");
}

QString printedText(const LaidOutBox& box) {
    QString text;
    for (const PlacedGlyph& glyph : box.glyphs)
        text += glyph.text;
    return text;
}

void expectInkInsideBoxesAndColumnsAtTheTop(const PreparedPage& page, const QString& card) {
    const QVector<LaidOutBox> laid = layOutPage(page);
    for (const LaidOutBox& box : laid) {
        if (box.glyphs.isEmpty())
            continue;
        const QRectF clip = toMm(box.clip);
        const QRectF ink = inkOf({box}, clip.adjusted(-4, -4, 4, 4));
        const std::string where = (card + " " + box.name).toStdString();
        if (printedText(box).trimmed().isEmpty() || printedText(box) == "　")
            continue;
        ASSERT_FALSE(ink.isEmpty()) << where;
        EXPECT_GE(ink.left(), clip.left() - kInkTolerance) << where;
        EXPECT_LE(ink.right(), clip.right() + kInkTolerance) << where;
        EXPECT_GE(ink.top(), clip.top() - kInkTolerance) << where;
        EXPECT_LE(ink.bottom(), clip.bottom() + kInkTolerance) << where;

        const TextBox& source = sourceOf(page, box.name);
        if (source.Rotation != 270 || box.glyphs.first().sideways)
            continue;
        // The first column starts at the frame top: its first character's ink stands as far
        // below the top as it would below the top of a horizontal line.
        LaidOutBox first = box;
        first.glyphs = {box.glyphs.first()};
        const double below =
            inkOf({first}, clip.adjusted(-4, -4, 4, 4)).top() - toMm(box.frame).top();
        const double bearing =
            horizontalTopBearing(source, box.glyphs.first()) * box.scale * box.condense;
        EXPECT_NEAR(below, bearing, 0.2) << where;
    }
    // Nothing overprints: no two glyphs of the card share ink. Outline bounds of a heavy face
    // reach a little past the em, so where two bounds meet the two glyphs are drawn at 600 dpi
    // and their dots compared.
    struct Ink {
        QRectF bounds;
        LaidOutBox alone; // the box with only this glyph
        QString name;
    };
    QVector<Ink> inks;
    for (const LaidOutBox& box : laid)
        for (const PlacedGlyph& glyph : box.glyphs) {
            LaidOutBox alone = box;
            alone.glyphs = {glyph};
            inks.append({glyphInk(box, glyph), alone, box.name + ":" + glyph.text});
        }
    for (qsizetype i = 0; i < inks.size(); ++i)
        for (qsizetype j = i + 1; j < inks.size(); ++j) {
            const QRectF both = inks[i].bounds.intersected(inks[j].bounds);
            if (both.width() <= 0.1 || both.height() <= 0.1)
                continue;
            EXPECT_EQ(sharedDots(inks[i].alone, inks[j].alone, both), 0)
                << (card + " " + inks[i].name + " / " + inks[j].name).toStdString();
        }
}

} // namespace

TEST_F(CardInk, EveryBoxInksInsideItsFrameFromTheTopWithoutOverprinting) {
    for (CardLayout layout : {CardLayout::Type1, CardLayout::Type2}) {
        const TfrxReport report = compose(layout, kRecipients);
        ASSERT_EQ(report.PreviewPages().size(), kRecipients.size());
        EXPECT_TRUE(report.Warnings.isEmpty()) << report.Warnings.join("\n").toStdString();
        for (int i = 0; i < kRecipients.size(); ++i)
            expectInkInsideBoxesAndColumnsAtTheTop(report.PreviewPages()[i],
                                                   kRecipients[i].surname);
    }
}

TEST_F(CardInk, EveryCharacterIsPrintedWholeAtTheDefaults) {
    const TfrxReport report = compose(CardLayout::Type1, kRecipients);
    for (int i = 0; i < kRecipients.size(); ++i) {
        const QVector<LaidOutBox> laid = layOutPage(report.PreviewPages()[i]);
        QHash<QString, QString> printed;
        for (const LaidOutBox& box : laid)
            printed[box.name] = printedText(box);
        const PreparedPage& page = report.PreviewPages()[i];
        const std::string card = kRecipients[i].surname.toStdString();
        EXPECT_EQ(printed["Memo4"], sourceOf(page, "Memo4").Text) << card;
        EXPECT_EQ(printed["Memo5"], sourceOf(page, "Memo5").Text) << card;
        EXPECT_EQ(printed["Memo6"], "様");
        // A long first address line goes on in the second column when that is empty.
        const QString address1 = sourceOf(page, "Memo2").Text;
        if (kRecipients[i].address2.isEmpty())
            EXPECT_EQ(printed["Memo2"] + printed["Memo3"].remove(QRegularExpression("　$")),
                      address1)
                << card;
        else
            EXPECT_EQ(printed["Memo2"], address1) << card;
        EXPECT_EQ(printed["Memo9"] + printed["Memo10"],
                  sourceOf(page, "Memo9").Text + sourceOf(page, "Memo10").Text);
        EXPECT_EQ(printed["Memo18"], "健太郎");
    }
    // A three-character surname stands at the given name's size in one column, not shrunk.
    const LaidOutBox hasegawa = laidBox(report.PreviewPages()[1], "Memo4");
    EXPECT_EQ(hasegawa.pixelSize, laidBox(report.PreviewPages()[1], "Memo5").pixelSize);
    EXPECT_EQ(hasegawa.pixelSize, 27); // 20 points
    ASSERT_EQ(hasegawa.glyphs.size(), 3);
    EXPECT_NEAR(hasegawa.glyphs[0].position.x(), hasegawa.glyphs[2].position.x(), 0.01);
}

TEST_F(CardInk, EachNamePrintsItsOwnHonorificAndOnchuNeverTakesASecond) {
    QList<CardRecipient> cards =
        rows({kRecipients[1], kRecipients[1], kRecipients[0], kRecipients[0]});
    cards[0].details.honorific = "先生";
    cards[0].details.joints[0].honorific = "ちゃん";
    cards[0].details.joints[1].honorific = "くん";
    cards[1].details.honorific = "";    // none
    cards[2].surname = "山田商事 御中"; // as imports give a company
    cards[2].givenName = "";
    cards[3].surname = "山田商事";
    cards[3].givenName = "";
    cards[3].details.honorific = "御中";
    for (const CardLayout layout : {CardLayout::Type1, CardLayout::Type2}) {
        const TfrxReport report = compose(layout, cards);
        QStringList honorifics, titles;
        for (const PreparedPage& page : report.PreviewPages()) {
            QHash<QString, QString> printed;
            for (const LaidOutBox& box : layOutPage(page))
                printed[box.name] = printedText(box);
            honorifics.append(printed["Memo6"] + "|" + printed["Memo14"] + "|" + printed["Memo15"]);
            titles.append(page.title);
        }
        EXPECT_EQ(honorifics, QStringList({"先生|ちゃん|くん", "|様|様", "||", "御中||"}));
        EXPECT_EQ(titles, QStringList({"長谷川 健太郎 先生", "長谷川 健太郎", "山田商事 御中",
                                       "山田商事 御中"}))
            << report.Warnings.join("\n").toStdString();
        for (const QString& warning : report.Warnings)
            EXPECT_FALSE(warning.contains("様")) << warning.toStdString();
    }
}

TEST_F(CardInk, PostalCodesInFullWidthFillTheSevenBoxes) {
    const TfrxReport report = compose(CardLayout::Type1, {kRecipients[1], kRecipients[2]});
    ASSERT_EQ(report.PreviewPages().size(), 2);
    const QString expected[] = {"1600022", "0200004"}; // full width with －; ASCII with -
    for (int i = 0; i < 2; ++i) {
        QString digits;
        for (const char* name :
             {"Memo1", "Memo19", "Memo20", "Memo21", "Memo22", "Memo23", "Memo24"})
            digits += sourceOf(report.PreviewPages()[i], name).Text;
        EXPECT_EQ(digits, expected[i]);
    }
    EXPECT_EQ(postalDigits("１６０－００２２"), "1600022");
    EXPECT_EQ(postalDigits("160‐0022"), "1600022");
    EXPECT_EQ(postalDigits("160−0022"), "1600022");
    EXPECT_EQ(postalDigits("160ー0022"), "1600022");
    // The postal mark and spaces that other programs' files carry take no box.
    EXPECT_EQ(postalDigits("〒060-0042"), "0600042");
    EXPECT_EQ(postalDigits("〒 060 0042"), "0600042");
    EXPECT_EQ(postalDigits("〒　０６０－００４２"), "0600042");
}

TEST_F(CardInk, SymbolsStandUprightAndDashesLieAlongTheColumn) {
    TfrxReport card = makeCardTemplate(CardLayout::Type1);
    TextBox box = *card.FindObject("Memo3");
    box.Text = "℃°♪№Ⅱ※○―";
    const LaidOutBox laid = layOutPage(PreparedPage{PageSetup{}, {box}, {}}).first();
    ASSERT_EQ(laid.glyphs.size(), 8);
    for (int i = 0; i < 7; ++i)
        EXPECT_FALSE(laid.glyphs[i].sideways) << laid.glyphs[i].text.toStdString();
    EXPECT_TRUE(laid.glyphs[7].sideways);
}

TEST_F(CardInk, JointNamesTakeTheNameSize) {
    CardOptions options;
    options.nameSize = "14";
    const TfrxReport report = compose(CardLayout::Type1, {kRecipients[1]}, options);
    const PreparedPage& page = report.PreviewPages()[0];
    const double addressee = laidBox(page, "Memo5").pixelSize;
    EXPECT_NEAR(addressee, 14 * 96.0 / 72, 0.5);
    EXPECT_NEAR(laidBox(page, "Memo12").pixelSize, addressee, 0.01); // 美奈子
    EXPECT_NEAR(laidBox(page, "Memo14").pixelSize, addressee, 0.01); // its 様
}

TEST_F(CardInk, OverflowingAddressIsDrawnSmallerOrReportedWithFittingOff) {
    Recipient long40{
        "1000001", QString("東京都千代田区千代田一丁目一番一号").repeated(2) + "ハイツ",
        "二号館",  "鈴木",
        "美智子",  "",
        ""};
    const TfrxReport fitted = compose(CardLayout::Type1, {long40});
    EXPECT_TRUE(fitted.Warnings.isEmpty()) << fitted.Warnings.join("\n").toStdString();
    const LaidOutBox address = laidBox(fitted.PreviewPages()[0], "Memo2");
    EXPECT_LT(address.scale, 1.0);
    EXPECT_EQ(printedText(address), sourceOf(fitted.PreviewPages()[0], "Memo2").Text);

    CardOptions off;
    off.fitText = false;
    const TfrxReport leftOut = compose(CardLayout::Type1, {long40}, off);
    EXPECT_TRUE(leftOut.PreviewPages().isEmpty());
    ASSERT_FALSE(leftOut.Warnings.isEmpty());
    EXPECT_EQ(leftOut.Warnings[0].section("（", 0, 0), "鈴木 美智子 様: 住所1 が枠に収まりません");
    EXPECT_TRUE(leftOut.Warnings.last().endsWith("（このはがきは作成していません）"));
    // Made all the same when allowed: whole glyphs inside the box, no sliver of the next column.
    off.allowOverflow = true;
    const TfrxReport cut = compose(CardLayout::Type1, {long40}, off);
    EXPECT_TRUE(cut.Warnings.contains("鈴木 美智子 様: 住所1 が枠に収まりません"));
    ASSERT_EQ(cut.PreviewPages().size(), 1);
    expectInkInsideBoxesAndColumnsAtTheTop(cut.PreviewPages()[0], "cut");

    Recipient far = long40;
    far.address1 = QString("長").repeated(300);
    far.address2.clear();
    const TfrxReport tooLong = compose(CardLayout::Type1, {far});
    EXPECT_EQ(tooLong.Warnings, QStringList{"鈴木 美智子 様: 住所1 が枠に収まりません"
                                            "（このはがきは作成していません）"});
}

TEST_F(CardInk, PdfPageBoxIsExactAndItsTextIsThePrintedText) {
    const TfrxReport report = compose(CardLayout::Type1, {kRecipients[0], kRecipients[3]});
    QTemporaryDir folder;
    const QString pdf = folder.filePath("cards.pdf");
    QString error;
    ASSERT_TRUE(writePdf(pdf, report.PreviewPages(), &error)) << error.toStdString();
    QProcess info;
    info.start("pdfinfo", {"-box", pdf});
    info.waitForFinished();
    const QString infoText = QString::fromUtf8(info.readAllStandardOutput());
    EXPECT_TRUE(infoText.contains("Page size:       283.465 x 419.528 pts"))
        << infoText.toStdString();
    EXPECT_TRUE(infoText.contains(
        QRegularExpression("MediaBox:\\s+0\\.00\\s+0\\.00\\s+283\\.46\\s+419\\.53")))
        << infoText.toStdString();
    // The text in the file's own order reads every box whole, and nothing else: taking each
    // box's text out of it, longest first, leaves nothing. The code's seven digits, a box each,
    // read as the code.
    const QStringList codes = {"1600022", "0600001"};
    for (int page = 0; page < 2; ++page) {
        static const QRegularExpression space("[\\s　]");
        QStringList printed;
        for (const LaidOutBox& box : layOutPage(report.PreviewPages()[page]))
            if (const QString text = printedText(box).remove(space); !text.isEmpty())
                printed.append(text);
        std::sort(printed.begin(), printed.end(),
                  [](const QString& a, const QString& b) { return a.size() > b.size(); });
        QProcess extract;
        extract.start("pdftotext", {"-raw", "-f", QString::number(page + 1), "-l",
                                    QString::number(page + 1), pdf, "-"});
        extract.waitForFinished();
        QString text = QString::fromUtf8(extract.readAllStandardOutput());
        text.remove(space);
        EXPECT_TRUE(text.contains(codes[page])) << text.toStdString();
        EXPECT_TRUE(text.contains("佐藤") || text.contains("勅使河原"));
        QString rest = text;
        for (const QString& box : printed) {
            const qsizetype at = rest.indexOf(box);
            ASSERT_GE(at, 0) << box.toStdString() << " is not whole in " << text.toStdString();
            rest.remove(at, box.size());
        }
        EXPECT_EQ(rest, "") << text.toStdString();
    }
}

namespace {

// The place of every digit on page 1 of a PDF, in millimetres from the top-left corner.
QVector<QPointF> digitPlaces(const QString& pdf) {
    QProcess boxes;
    boxes.start("pdftotext", {"-bbox", "-f", "1", "-l", "1", pdf, "-"});
    boxes.waitForFinished();
    const QString html = QString::fromUtf8(boxes.readAllStandardOutput());
    static const QRegularExpression word("<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" "
                                         "xMax=\"[\\d.]+\" yMax=\"[\\d.]+\">(\\d)</word>");
    QVector<QPointF> places;
    for (auto match = word.globalMatch(html); match.hasNext();) {
        const auto m = match.next();
        places.append(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()) * 25.4 / 72);
    }
    return places;
}

} // namespace

TEST_F(CardInk, PrintedDigitsStandWhereThePdfPutsThemAfterPageSetup) {
    const TfrxReport report = compose(CardLayout::Type1, {kRecipients[0], kRecipients[2]});
    QTemporaryDir folder;
    ASSERT_TRUE(writePdf(folder.filePath("export.pdf"), report.PreviewPages()));

    TfrxPreviewWindow window(report.PreviewPages());
    window.printer().setOutputFormat(QPrinter::PdfFormat);
    window.printer().setOutputFileName(folder.filePath("printed.pdf"));
    QMarginsF shown;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QPageSetupDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        shown = dialog->printer()->pageLayout().margins(QPageLayout::Millimeter);
        EXPECT_NEAR(dialog->printer()->pageLayout().pageSize().size(QPageSize::Millimeter).width(),
                    100, 0.1);
        dialog->accept();
    });
    window.actMargins->trigger();
    EXPECT_NEAR(shown.left(), 5, 0.01);
    EXPECT_NEAR(shown.top(), 10, 0.01);
    window.print();

    const QVector<QPointF> exported = digitPlaces(folder.filePath("export.pdf"));
    const QVector<QPointF> printed = digitPlaces(folder.filePath("printed.pdf"));
    ASSERT_GE(exported.size(), 14); // recipient and sender digits
    ASSERT_EQ(printed.size(), exported.size());
    for (int i = 0; i < exported.size(); ++i) {
        EXPECT_NEAR(printed[i].x(), exported[i].x(), 0.1) << i;
        EXPECT_NEAR(printed[i].y(), exported[i].y(), 0.1) << i;
    }
    // Recipient digit 1 lands inside Japan Post's first code box (44.3–50.0 mm from the left).
    EXPECT_GT(exported[0].x(), 44.3);
    EXPECT_LT(exported[0].x(), 50.0);
}

TEST_F(CardInk, AddressColumnsBreakBetweenWordsAndNeverStartWithWhatMayNotStartALine) {
    const QVector<Recipient> recipients = {
        {"1000005", "東京都千代田区丸の内一丁目二番三号ニューオータニガーデンコートビルディング",
         "", "山田", "太郎", "", ""},
        {"9800811", "宮城県仙台市青葉区一番町四丁目七番一号　ホテルシャトーレジデンス仙台", "",
         "佐藤", "花子", "", ""},
        {"0600042",
         "北海道札幌市中央区大通西２丁目５－１グランドメゾン大通ビルディング１１０２号室", "",
         "鈴木", "一郎", "", ""}};
    for (const CardLayout layout : {CardLayout::Type1, CardLayout::Type2}) {
        const TfrxReport report = compose(layout, recipients);
        for (int i = 0; i < recipients.size(); ++i) {
            // The address's columns, right to left, over both address boxes.
            std::map<int, QString, std::greater<>> columns;
            for (const LaidOutBox& box : layOutPage(report.PreviewPages()[i]))
                if (box.name == "Memo2" || box.name == "Memo3")
                    for (const PlacedGlyph& glyph : box.glyphs)
                        columns[qRound(glyph.position.x() * 10)] += glyph.text;
            QStringList shown;
            for (const auto& [x, text] : columns)
                shown.append(text);
            const std::string card = shown.join("|").toStdString();
            EXPECT_EQ(shown.join("").remove("　"),
                      sourceOf(report.PreviewPages()[i], "Memo2").Text.remove("　"))
                << card;
            for (const QString& column : shown.mid(1))
                EXPECT_FALSE(QStringLiteral("ーャュョ々」、").contains(column.front())) << card;
            // A word the address holds stands whole in one column.
            for (const char* word : {"ビルディング", "レジデンス", "１１０２号室", "ガーデン"}) {
                const QString whole = QString::fromUtf8(word);
                if (shown.join("").contains(whole)) {
                    EXPECT_TRUE(std::any_of(shown.begin(), shown.end(),
                                            [&](const QString& c) { return c.contains(whole); }))
                        << word << " split: " << card;
                }
            }
        }
    }
}

TEST_F(CardInk, NamesArePrintedWholeOrTheCardIsLeftOutNeverCutOrOverprinted) {
    auto card = [](const QString& surname, const QString& given, const QString& joint1 = "") {
        return Recipient{"1000005", "東京都千代田区丸の内1-1", "", surname, given, joint1, ""};
    };
    for (const CardLayout layout : {CardLayout::Type1, CardLayout::Type2}) {
        // A long surname goes on where the given name would stand; a full name typed into 姓
        // prints as 姓 and 名.
        const TfrxReport whole =
            compose(layout, {card("ジョン・スミス", ""), card("山田　太郎", "")});
        EXPECT_TRUE(whole.Warnings.isEmpty()) << whole.Warnings.join("\n").toStdString();
        ASSERT_EQ(whole.PreviewPages().size(), 2);
        QHash<QString, QString> first, second;
        for (const LaidOutBox& box : layOutPage(whole.PreviewPages()[0]))
            first[box.name] = printedText(box);
        for (const LaidOutBox& box : layOutPage(whole.PreviewPages()[1]))
            second[box.name] = printedText(box);
        EXPECT_EQ(first["Memo4"] + first["Memo5"], "ジョン・スミス");
        EXPECT_EQ(second["Memo4"], "山田");
        EXPECT_EQ(second["Memo5"], "太郎");
        expectInkInsideBoxesAndColumnsAtTheTop(whole.PreviewPages()[0], "continued surname");

        // Long names the fixed places cut or overprint are composed whole: 長体 before smaller.
        const QVector<Recipient> hard = {card("クリストファー・ウィリアムズ", ""),
                                         card("山田", "太郎", "アレクサンドラ"),
                                         card("佐藤", "花子")};
        const TfrxReport composed = compose(layout, hard);
        EXPECT_TRUE(composed.Warnings.isEmpty()) << composed.Warnings.join("\n").toStdString();
        ASSERT_EQ(composed.PreviewPages().size(), 3);
        QHash<QString, QString> christopher, alexandra;
        for (const LaidOutBox& box : layOutPage(composed.PreviewPages()[0]))
            christopher[box.name] = printedText(box);
        for (const LaidOutBox& box : layOutPage(composed.PreviewPages()[1]))
            alexandra[box.name] = printedText(box);
        EXPECT_EQ(christopher["Memo4"], "クリストファー・ウィリアムズ");
        EXPECT_EQ(alexandra["Memo12"] + alexandra["Memo14"], "アレクサンドラ様");
        EXPECT_LT(laidBox(composed.PreviewPages()[0], "Memo4").condense, 1.0);

        // What cannot be printed whole is not printed: listed, left out.
        const QString pablo =
            "パブロ・ディエゴ・ホセ・フランシスコ・デ・パウラ・ホアン・ネポムセーノ";
        const TfrxReport refused = compose(layout, {card(pablo, ""), card("佐藤", "花子")});
        ASSERT_EQ(refused.PreviewPages().size(), 1);
        EXPECT_EQ(refused.PreviewPages()[0].title, "佐藤 花子 様");
        EXPECT_EQ(refused.Warnings, QStringList({pablo + " 様: 名前が長すぎてはがきに収まりません"
                                                         "（このはがきは作成していません）"}));
        CardOptions allow;
        allow.allowOverflow = true;
        EXPECT_EQ(
            compose(layout, {card(pablo, ""), card("佐藤", "花子")}, allow).PreviewPages().size(),
            2);

        // The fixed places keep their limits, and still never print cut or overprinted.
        CardOptions fixed;
        fixed.classicLayout = true;
        const TfrxReport classic = compose(layout, hard, fixed);
        ASSERT_EQ(classic.PreviewPages().size(), 1);
        EXPECT_EQ(classic.Warnings,
                  QStringList({"クリストファー・ウィリアムズ 様: 姓 が枠に収まりません"
                               "（このはがきは作成していません）",
                               "山田 太郎 様: 連名1 と 連名1の様 が重なります"
                               "（このはがきは作成していません）"}));
    }
}

TEST_F(CardInk, TheCheckBeforePrintingNamesMissingCharactersAndRepeatedRecipients) {
    Recipient unknown{"1000005", "東京都千代田区丸の内1-1", "", "山田", "太郎", "", ""};
    unknown.given = QString("太") + QString::fromUcs4(U"\U000F0001"); // no face draws it
    const Recipient twice{"1000005", "東京都千代田区丸の内１－１", "", "佐藤", "花子", "", ""};
    Recipient again = twice;
    again.address1 = "東京都千代田区丸の内1-1"; // the same address, typed in other widths
    const TfrxReport report = compose(CardLayout::Type1, {unknown, twice, again});
    ASSERT_EQ(report.Warnings.size(), 2) << report.Warnings.join("\n").toStdString();
    EXPECT_TRUE(report.Warnings[0].contains("名 の「" + QString::fromUcs4(U"\U000F0001") +
                                            "」を印刷できる書体がありません（このはがきは作成して"
                                            "いません）"))
        << report.Warnings[0].toStdString();
    EXPECT_EQ(report.Warnings[1], "佐藤 花子 様: 同じ名前と住所のはがきがこの中にもう一枚あります");
    EXPECT_EQ(report.PreviewPages().size(), 2); // both of 佐藤's are made; the list says so
}

TEST_F(CardInk, SurnameGivenNameAndHonorificShareOneSizeAndOneAxis) {
    for (const CardLayout layout : {CardLayout::Type1, CardLayout::Type2})
        for (const char* surname : {"林", "山田", "長谷川", "勅使河原"}) {
            const Recipient card{"1000005", "東京都千代田区丸の内1-1", "", surname, "健太郎", "",
                                 ""};
            const TfrxReport report = compose(layout, {card});
            ASSERT_EQ(report.PreviewPages().size(), 1);
            const PreparedPage& page = report.PreviewPages()[0];
            const LaidOutBox family = laidBox(page, "Memo4");
            const LaidOutBox given = laidBox(page, "Memo5");
            const LaidOutBox honorific = laidBox(page, "Memo6");
            EXPECT_DOUBLE_EQ(family.pixelSize, given.pixelSize) << surname;
            EXPECT_DOUBLE_EQ(given.pixelSize, honorific.pixelSize) << surname;
            auto axis = [&](const LaidOutBox& box) {
                return inkOf({box}, toMm(box.clip).adjusted(-4, -4, 4, 4)).center().x();
            };
            // One axis down the column, however much the name was drawn smaller.
            EXPECT_NEAR(axis(family), axis(given), 0.3) << surname;
            EXPECT_NEAR(axis(given), axis(honorific), 0.3) << surname;
        }
}

TEST_F(CardInk, JointNamesDropARepeatedFamilyNameAndThoseThatCannotBePrintedAreNamed) {
    QList<CardRecipient> cards = rows(
        {{"1000005", "東京都千代田区丸の内1-1", "", "山本", "太郎", "山本　あかり", "山本一"}});
    cards[0].details.moreJointNames = {"次郎", "", "三郎"};
    const TfrxReport report = compose(CardLayout::Type1, cards);
    ASSERT_EQ(report.PreviewPages().size(), 1);
    EXPECT_TRUE(report.Warnings.isEmpty()) << report.Warnings.join("\n").toStdString();
    QHash<QString, QString> printed;
    for (const LaidOutBox& box : layOutPage(report.PreviewPages()[0]))
        printed[box.name] = printedText(box);
    EXPECT_EQ(printed["Memo12"], "あかり"); // the family name stands once
    EXPECT_EQ(printed["Memo13"], "山本一"); // no space: a name of its own, printed as written
    EXPECT_EQ(printed["Memo32"], "次郎");   // 連名3 to 5 in the columns after, none left empty
    EXPECT_EQ(printed["Memo33"], "三郎");
    EXPECT_EQ(printed["Memo35"] + printed["Memo36"], "様様");

    CardOptions fixed;
    fixed.classicLayout = true;
    EXPECT_EQ(compose(CardLayout::Type1, cards, fixed).Warnings,
              QStringList{"山本 太郎 様: 連名3 以降（次郎、三郎）はこの配置では印刷されません"});
}

// The boxes of the addressee's block: 姓, 名, 敬称, 連名1–5 and their 敬称, 役職.
const QStringList kNameBoxes = {"Memo4",  "Memo5",  "Memo6",  "Memo12", "Memo13",
                                "Memo14", "Memo15", "Memo32", "Memo33", "Memo34",
                                "Memo35", "Memo36", "Memo37", "Memo41"};
const QStringList kHonorificBoxes = {"Memo6", "Memo14", "Memo15", "Memo35", "Memo36", "Memo37"};

TEST_F(CardInk, AVariedSetPrintsEveryNameWholeInsideItsRegionWithAnEvenRhythm) {
    const QList<CardRecipient> cards = sampleRecipients();
    for (const CardLayout layout : {CardLayout::Type1, CardLayout::Type2}) {
        const TfrxReport report = compose(layout, cards);
        EXPECT_TRUE(report.Warnings.isEmpty()) << report.Warnings.join("\n").toStdString();
        ASSERT_EQ(report.PreviewPages().size(), cards.size());
        QTemporaryDir folder;
        const QString pdf = folder.filePath("cards.pdf");
        QString error;
        ASSERT_TRUE(writePdf(pdf, report.PreviewPages(), &error)) << error.toStdString();

        // The name region: below the template's name top, above its 様's foot, clear of the
        // sender's block and left of the address.
        TfrxReport blank = makeCardTemplate(layout);
        const QPointF margin(blank.Page1.LeftMargin, blank.Page1.TopMargin);
        auto mm = [&](const char* name) {
            const TextBox* b = blank.FindObject(name);
            return QRectF(QPointF(b->Left, b->Top) / kUnitsPerMm + margin,
                          QSizeF(b->Width, b->Height) / kUnitsPerMm);
        };
        const QRectF region(QPointF(mm("Memo9").right() + 2, mm("Memo4").top()),
                            QPointF(mm("Memo3").left(), mm("Memo6").bottom()));

        QVector<double> gaps; // 姓 to 名 of the one- to four-character surnames
        for (qsizetype i = 0; i < cards.size(); ++i) {
            const PreparedPage& page = report.PreviewPages()[i];
            const std::string card = page.title.toStdString();
            expectInkInsideBoxesAndColumnsAtTheTop(page, page.title);
            QHash<QString, LaidOutBox> laid;
            for (const LaidOutBox& box : layOutPage(page))
                laid[box.name] = box;
            for (const QString& name : kNameBoxes)
                for (const PlacedGlyph& glyph : laid.value(name).glyphs) {
                    const QRectF ink = glyphInk(laid[name], glyph);
                    EXPECT_TRUE(
                        region
                            .adjusted(-kInkTolerance, -kInkTolerance, kInkTolerance, kInkTolerance)
                            .contains(ink))
                        << card << " " << name.toStdString() << " " << glyph.text.toStdString();
                }
            // Every 敬称 of the card on one line.
            QVector<double> honorifics;
            for (const QString& name : kHonorificBoxes)
                if (!laid.value(name).glyphs.isEmpty())
                    honorifics.append(glyphInk(laid[name], laid[name].glyphs.first()).top());
            ASSERT_FALSE(honorifics.isEmpty()) << card;
            const auto [low, high] = std::minmax_element(honorifics.begin(), honorifics.end());
            EXPECT_LE(*high - *low, 0.3) << card;
            // Every 連名's 名 begins where the addressee's does.
            for (const char* joint : {"Memo12", "Memo13", "Memo32", "Memo33", "Memo34"}) {
                if (!laid.value(joint).glyphs.isEmpty()) {
                    EXPECT_NEAR(laid[joint].glyphs.first().position.y(),
                                laid["Memo5"].glyphs.first().position.y(), 0.01)
                        << card << " " << joint;
                }
            }
            if (i < 4) {
                const LaidOutBox& family = laid["Memo4"];
                const LaidOutBox& given = laid["Memo5"];
                gaps.append((given.glyphs.first().position.y() - family.glyphs.last().position.y() -
                             family.pixelSize) /
                            kUnitsPerMm);
            }
            // The PDF carries every name whole.
            QProcess extract;
            extract.start("pdftotext", {"-raw", "-f", QString::number(i + 1), "-l",
                                        QString::number(i + 1), pdf, "-"});
            extract.waitForFinished();
            const QString text = QString::fromUtf8(extract.readAllStandardOutput())
                                     .remove(QRegularExpression("\\s"));
            const auto [surname, given] = printedName(cards[i].surname, cards[i].givenName);
            EXPECT_TRUE(text.contains(surname.trimmed() + given)) << card;
            for (const QString& joint : {cards[i].jointName1, cards[i].jointName2})
                EXPECT_TRUE(text.contains(joint.section("　", -1))) << card;
            for (const QString& joint : cards[i].details.moreJointNames)
                EXPECT_TRUE(text.contains(joint)) << card;
        }
        for (const double gap : gaps)
            EXPECT_NEAR(gap, gaps.first(), 0.3);
        EXPECT_NEAR(gaps.first(), 0.75 * 27 / kUnitsPerMm, 0.05); // 0.75 em at 20 points

        // The sender's name is one block too: 姓, the same gap, 名, the 連名's 名 on its line;
        // its code in the block's face.
        const PreparedPage& first = report.PreviewPages()[0];
        const LaidOutBox senderFamily = laidBox(first, "Memo11");
        const LaidOutBox senderGiven = laidBox(first, "Memo18");
        EXPECT_NEAR(senderGiven.glyphs.first().position.y() -
                        senderFamily.glyphs.last().position.y() - senderFamily.pixelSize,
                    0.75 * senderFamily.pixelSize, 0.01);
        EXPECT_DOUBLE_EQ(laidBox(first, "Memo16").glyphs.first().position.y(),
                         senderGiven.glyphs.first().position.y());
        EXPECT_EQ(laidBox(first, "Memo8").family, laidBox(first, "Memo9").family);

        // The company block: 会社名 and 部署 beside the address, 役職 small above the name; a
        // company alone takes 御中.
        QHash<QString, QString> company, alone;
        for (const LaidOutBox& box : layOutPage(report.PreviewPages()[8]))
            company[box.name] = printedText(box);
        for (const LaidOutBox& box : layOutPage(report.PreviewPages()[9]))
            alone[box.name] = printedText(box);
        EXPECT_EQ(company["Memo38"], "株式会社九州電子工業");
        EXPECT_EQ(company["Memo39"] + company["Memo40"], "営業本部第二営業部");
        EXPECT_EQ(company["Memo41"], "部長");
        EXPECT_LT(laidBox(report.PreviewPages()[8], "Memo41").pixelSize,
                  laidBox(report.PreviewPages()[8], "Memo4").pixelSize);
        EXPECT_EQ(alone["Memo4"] + alone["Memo6"], "株式会社山田商事御中");
        EXPECT_TRUE(alone["Memo38"].isEmpty()); // printed once, as the name
    }
}

TEST_F(CardInk, TwoDigitRunsStandSideBySideInOneEmAndKanjiNumbersAreAChoice) {
    QList<CardRecipient> cards = sampleRecipients().mid(0, 1);
    cards[0].address1 = "東京都港区六本木6-10-1";
    cards[0].address2 = "森タワー44階";
    CardOptions pairs;
    pairs.numbers = NumberStyle::UprightPairs;
    const TfrxReport report = compose(CardLayout::Type1, cards, pairs);
    ASSERT_EQ(report.PreviewPages().size(), 1) << report.Warnings.join("\n").toStdString();
    expectInkInsideBoxesAndColumnsAtTheTop(report.PreviewPages()[0], "縦中横");
    int paired = 0;
    for (const char* name : {"Memo2", "Memo3"}) {
        const LaidOutBox box = laidBox(report.PreviewPages()[0], name);
        for (qsizetype g = 0; g + 1 < box.glyphs.size(); ++g) {
            if (box.glyphs[g].text.size() != 2)
                continue;
            ++paired;
            EXPECT_TRUE(box.glyphs[g + 1].text.isEmpty()); // one cluster, two digits
            const QRectF both =
                glyphInk(box, box.glyphs[g]).united(glyphInk(box, box.glyphs[g + 1]));
            const double em = box.pixelSize / kUnitsPerMm;
            EXPECT_LE(both.width(), em) << box.glyphs[g].text.toStdString();
            EXPECT_LE(both.height(), em) << box.glyphs[g].text.toStdString();
            // side by side: the two inks at one height
            EXPECT_NEAR(glyphInk(box, box.glyphs[g]).center().y(),
                        glyphInk(box, box.glyphs[g + 1]).center().y(), 0.3);
        }
    }
    EXPECT_EQ(paired, 2); // 10 and 44; 6 and 1 stay upright one per em

    CardOptions kanji;
    kanji.numbers = NumberStyle::Kanji;
    kanji.kanjiDash = QChar(u'の');
    const TfrxReport inKanji = compose(CardLayout::Type1, cards, kanji);
    EXPECT_EQ(sourceOf(inKanji.PreviewPages()[0], "Memo2").Text, "東京都港区六本木六の十の一");
    EXPECT_EQ(sourceOf(inKanji.PreviewPages()[0], "Memo3").Text, "森タワー四十四階");
    kanji.numbers = NumberStyle::KanjiDigits;
    kanji.kanjiDash = QChar(u'ー');
    EXPECT_EQ(sourceOf(compose(CardLayout::Type1, cards, kanji).PreviewPages()[0], "Memo2").Text,
              "東京都港区六本木六ー一〇ー一");
}

TEST_F(CardInk, JointNamesTheCardCannotHoldAreOfferedAsTheWholeFamily) {
    QList<CardRecipient> cards = sampleRecipients().mid(6, 1); // 佐藤 健一 and five 連名
    cards[0].jointName1 = "ジョゼフィーヌ";
    cards[0].details.moreJointNames = {"アレクサンドラ", "マクシミリアン",
                                       "アレクサンドリーナ・ヴィクトリア"};
    CardOptions options;
    options.nameSize = "25";
    const TfrxReport refused = compose(CardLayout::Type1, cards, options);
    EXPECT_TRUE(refused.PreviewPages().isEmpty());
    ASSERT_FALSE(refused.Warnings.isEmpty());
    EXPECT_TRUE(refused.Warnings.first().contains("「御家族御一同様」にまとめると作成できます"))
        << refused.Warnings.first().toStdString();
    options.familyTogether = true;
    const TfrxReport together = compose(CardLayout::Type1, cards, options);
    ASSERT_EQ(together.PreviewPages().size(), 1) << together.Warnings.join("\n").toStdString();
    const PreparedPage& page = together.PreviewPages()[0];
    expectInkInsideBoxesAndColumnsAtTheTop(page, "御家族御一同様");
    EXPECT_EQ(printedText(laidBox(page, "Memo12")), "御家族御一同様");
    EXPECT_EQ(printedText(laidBox(page, "Memo4")) + printedText(laidBox(page, "Memo5")) +
                  printedText(laidBox(page, "Memo6")),
              "佐藤健一様");
}

namespace {

// A bar found on a rendered card: its left and right edges and its top and bottom, millimetres.
struct FoundBar {
    double left, right, top, bottom;
};

// The bars in a strip of a 600 dpi rendering, left to right.
QVector<FoundBar> barsIn(const QImage& page, const QRectF& stripMm) {
    auto dot = [](double mm) { return static_cast<int>(std::lround(mm * kDotsPerMm)); };
    QVector<FoundBar> bars;
    bool inBar = false;
    for (int x = dot(stripMm.left()); x <= dot(stripMm.right()); ++x) {
        int top = -1, bottom = -1;
        for (int y = dot(stripMm.top()); y <= dot(stripMm.bottom()); ++y)
            if (qGray(page.pixel(x, y)) < 128) {
                top = top < 0 ? y : top;
                bottom = y;
            }
        if (top >= 0 && !inBar)
            bars.append({x / kDotsPerMm, 0, top / kDotsPerMm, (bottom + 1) / kDotsPerMm});
        if (top >= 0) {
            bars.back().right = (x + 1) / kDotsPerMm;
            bars.back().top = std::min(bars.back().top, top / kDotsPerMm);
            bars.back().bottom = std::max(bars.back().bottom, (bottom + 1) / kDotsPerMm);
        }
        inBar = top >= 0;
    }
    return bars;
}

} // namespace

TEST_F(CardInk, TheCustomerBarcodeReadsBackAsTheManualsExampleAtItsSizesAndPlace) {
    // The manual's example, with the dictionary's town for its code.
    const QVector<PostalTown> towns = {
        {"1000013", "東京都", "千代田区", "霞が関", "霞が関"},
        {"1000000", "東京都", "千代田区", "", "以下に掲載がない場合"}};
    storePostalTowns(*dm, towns);
    QList<CardRecipient> cards = rows(
        {{"100-0013", "東京都千代田区霞が関1丁目3番2号", "郵便プラザ503室", "郵便", "太郎", "", ""},
         {"1000000", "東京都千代田区外神田1-1", "", "佐藤", "花子", "", ""}});
    CardOptions options;
    options.barcode = true;
    for (const CardLayout layout : {CardLayout::Type1, CardLayout::Type2}) {
        const TfrxReport report = compose(layout, cards, options);
        ASSERT_EQ(report.PreviewPages().size(), 2);
        // A catch-all code gets no barcode, and the check says so.
        EXPECT_TRUE(report.PreviewPages()[1].paths.isEmpty());
        EXPECT_EQ(report.Warnings,
                  QStringList{"佐藤 花子 様: 郵便番号 1000000 は町域のない番号（以下に掲載がない"
                              "場合）です（バーコードは印刷しません）"});
        QTemporaryDir folder;
        const QString pdf = folder.filePath("barcode.pdf");
        ASSERT_TRUE(writePdf(pdf, report.PreviewPages()));
        QProcess render;
        render.start("pdftoppm", {"-r", "600", "-gray", "-f", "1", "-l", "1", "-png", pdf,
                                  folder.filePath("card")});
        render.waitForFinished(60000);
        const QImage page(folder.filePath("card-1.png"));
        ASSERT_FALSE(page.isNull());

        // The strip along the foot: 67 bars at the manual's sizes for a = 8.
        const QVector<FoundBar> bars = barsIn(page, QRectF(5, 133, 90, 4));
        ASSERT_EQ(bars.size(), 67);
        const double dot = 1 / kDotsPerMm;
        double top = bars[0].top, bottom = bars[0].bottom;
        for (const FoundBar& bar : bars) {
            top = std::min(top, bar.top);
            bottom = std::max(bottom, bar.bottom);
        }
        EXPECT_GE(bottom - top, 3.40 * 0.8 - dot);
        EXPECT_LE(bottom - top, 3.60 * 0.8 + dot);
        QString symbols;
        static const QHash<QString, QString> table = {
            {"114", "1"},   {"132", "2"},   {"312", "3"},   {"123", "4"},   {"141", "5"},
            {"321", "6"},   {"213", "7"},   {"231", "8"},   {"411", "9"},   {"144", "0"},
            {"414", "-"},   {"324", "CC1"}, {"342", "CC2"}, {"234", "CC3"}, {"432", "CC4"},
            {"243", "CC5"}, {"423", "CC6"}, {"441", "CC7"}, {"111", "CC8"}};
        QString shapes;
        for (qsizetype i = 0; i < bars.size(); ++i) {
            const FoundBar& bar = bars[i];
            EXPECT_GE(bar.right - bar.left, 0.50 * 0.8 - dot) << i;
            EXPECT_LE(bar.right - bar.left, 0.70 * 0.8 + dot) << i;
            if (i > 0) {
                EXPECT_GE(bar.left - bars[i - 1].left, 0.95 * 0.8 - dot) << i;
                EXPECT_LE(bar.left - bars[i - 1].left, 1.30 * 0.8 + dot) << i;
            }
            const bool up = bar.top - top < 0.2, down = bottom - bar.bottom < 0.2;
            if (!up && !down) { // the timing bar: a third of the long bar
                EXPECT_NEAR(bar.bottom - bar.top, 1.2 * 0.8, 0.15) << i;
            }
            shapes += up && down ? '1' : up ? '2' : down ? '3' : '4';
        }
        ASSERT_TRUE(shapes.startsWith("13") && shapes.endsWith("31")) << shapes.toStdString();
        QStringList read;
        for (qsizetype i = 2; i + 3 <= shapes.size() - 2; i += 3)
            read.append(table.value(shapes.mid(i, 3), "?"));
        EXPECT_EQ(read.join(' '), "1 0 0 0 0 1 3 1 - 3 - 2 - 5 0 3 CC4 CC4 CC4 CC4 9");

        // Alone: 10 mm in from the edges, and no other ink within 2 mm of it.
        EXPECT_GE(bars.first().left, 10 - dot);
        EXPECT_LE(bottom, 148 - 10);
        const QRectF clear(bars.first().left - 2, top - 2,
                           bars.last().right - bars.first().left + 4, bottom - top + 4);
        QImage text(page.size(), QImage::Format_Grayscale8);
        text.fill(255);
        {
            QPainter painter(&text);
            painter.scale(kDotsPerMm / kUnitsPerMm, kDotsPerMm / kUnitsPerMm);
            paintBoxes(painter, layOutPage(report.PreviewPages()[0]));
        }
        const QRect clearDots(
            QPoint(qRound(clear.left() * kDotsPerMm), qRound(clear.top() * kDotsPerMm)),
            QPoint(qRound(clear.right() * kDotsPerMm), qRound(clear.bottom() * kDotsPerMm)));
        EXPECT_TRUE(velta::test::inkBounds(text.copy(clearDots)).isEmpty());
    }
}

TEST_F(CardInk, LabelSheetsPlaceEachLabelAtTheSheetsPitchWithItsTextInside) {
    QList<CardRecipient> cards;
    for (int i = 0; i < 30; ++i) {
        CardRecipient card = sampleRecipients()[i % 4]; // short names: every one fits
        card.key = i + 1;
        card.postalCode = QStringLiteral("98008%1").arg(10 + i);
        cards.append(card);
    }
    for (const LabelSheet& sheet : builtInLabelSheets()) {
        QStringList warnings;
        QList<qsizetype> made;
        const QVector<PreparedPage> pages =
            composeLabels(sheet, CardOptions{}, cards, &warnings, &made);
        EXPECT_TRUE(warnings.isEmpty()) << warnings.join("\n").toStdString();
        ASSERT_EQ(made.size(), 30);
        ASSERT_EQ(pages.size(), (30 + sheet.perSheet() - 1) / sheet.perSheet());
        // Every glyph of a label inside that label.
        for (const LaidOutBox& box : layOutPage(pages[0])) {
            const int label =
                box.name.mid(5).remove(QRegularExpression("[A-Za-z]+$")).toInt() - 1; // Label12Name
            const QRectF inside = sheet.labelRect(label).adjusted(-kInkTolerance, -kInkTolerance,
                                                                  kInkTolerance, kInkTolerance);
            for (const PlacedGlyph& glyph : box.glyphs)
                if (const QRectF ink = glyphInk(box, glyph); !ink.isEmpty()) { // spaces: none
                    EXPECT_TRUE(inside.contains(ink))
                        << sheet.name.toStdString() << " " << box.name.toStdString();
                }
        }
        // Measured on the PDF: the 〒 of each label one pitch from its neighbours.
        QTemporaryDir folder;
        const QString pdf = folder.filePath("labels.pdf");
        ASSERT_TRUE(writePdf(pdf, pages));
        QProcess info;
        info.start("pdfinfo", {pdf});
        info.waitForFinished();
        EXPECT_TRUE(QString::fromUtf8(info.readAllStandardOutput()).contains("(A4)"));
        QProcess boxes;
        boxes.start("pdftotext", {"-bbox", "-f", "1", "-l", "1", pdf, "-"});
        boxes.waitForFinished();
        static const QRegularExpression word("<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" "
                                             "xMax=\"[\\d.]+\" yMax=\"[\\d.]+\">〒");
        QVector<QPointF> marks;
        for (auto match = word.globalMatch(QString::fromUtf8(boxes.readAllStandardOutput()));
             match.hasNext();) {
            const auto m = match.next();
            marks.append(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()) * 25.4 / 72);
        }
        ASSERT_EQ(marks.size(), std::min(30, sheet.perSheet())) << sheet.name.toStdString();
        // The first label's mark sets where a 〒 stands in its label; every label has one
        // there, at the sheet's figures.
        const QPointF first =
            *std::min_element(marks.begin(), marks.end(), [](QPointF a, QPointF b) {
                return std::pair(qRound(a.y()), a.x()) < std::pair(qRound(b.y()), b.x());
            });
        const QPointF inLabel = first - sheet.labelRect(0).topLeft();
        for (int i = 0; i < marks.size(); ++i) {
            const QPointF expected = sheet.labelRect(i).topLeft() + inLabel;
            EXPECT_TRUE(std::any_of(marks.begin(), marks.end(),
                                    [&](QPointF mark) {
                                        return std::abs(mark.x() - expected.x()) <= 0.1 &&
                                               std::abs(mark.y() - expected.y()) <= 0.1;
                                    }))
                << sheet.name.toStdString() << " label " << i + 1;
        }
    }
}

TEST_F(CardInk, ALongAddressNarrowsBeforeItIsDrawnSmaller) {
    const Recipient card{"9800811",  "宮城県仙台市青葉区一番町四丁目七番一号仙台第一生命タワービル",
                         "二十一階", "佐藤",
                         "花子",     "",
                         ""};
    for (const bool fixed : {false, true}) {
        CardOptions options;
        options.classicLayout = fixed;
        const TfrxReport report = compose(CardLayout::Type1, {card}, options);
        ASSERT_EQ(report.PreviewPages().size(), 1) << report.Warnings.join("\n").toStdString();
        const PreparedPage& page = report.PreviewPages()[0];
        expectInkInsideBoxesAndColumnsAtTheTop(page, "長体");
        const LaidOutBox first = laidBox(page, "Memo2");
        const LaidOutBox building = laidBox(page, "Memo3");
        EXPECT_EQ(printedText(first), sourceOf(page, "Memo2").Text);
        if (fixed) { // the fixed places shrink as they always did
            EXPECT_LT(first.pixelSize, 13);
            EXPECT_EQ(first.condense, 1);
        } else { // 長体 at the chosen size, the building line alike
            EXPECT_EQ(first.pixelSize, 13);
            EXPECT_LT(first.condense, 1);
            EXPECT_GE(first.condense, 0.7);
            EXPECT_EQ(building.condense, first.condense);
            EXPECT_EQ(building.pixelSize, first.pixelSize);
        }
    }
}

TEST_F(CardInk, AnAddressIsOneBlockAtOneSizeWithItsBuildingLineClearlyLower) {
    const Recipient card{"0600042",
                         "北海道札幌市中央区大通西二丁目五番地一号さっぽろ大通",
                         "グランドメゾン大通ビルディング１１０２号室",
                         "鈴木",
                         "一郎",
                         "",
                         ""};
    for (const CardLayout layout : {CardLayout::Type1, CardLayout::Type2}) {
        const TfrxReport report = compose(layout, {card});
        ASSERT_EQ(report.PreviewPages().size(), 1) << report.Warnings.join("\n").toStdString();
        const PreparedPage& page = report.PreviewPages()[0];
        const LaidOutBox first = laidBox(page, "Memo2");
        const LaidOutBox building = laidBox(page, "Memo3");
        ASSERT_FALSE(first.glyphs.isEmpty());
        ASSERT_FALSE(building.glyphs.isEmpty());
        EXPECT_DOUBLE_EQ(first.pixelSize, building.pixelSize); // never 62 % beside 100 %
        const double em = first.pixelSize;
        const double lower =
            building.glyphs.first().position.y() - first.glyphs.first().position.y();
        EXPECT_GE(lower, 1.5 * em) << "building line only " << lower / em << " em lower";
        // The same pitch down both columns.
        auto pitch = [](const LaidOutBox& box) {
            return box.glyphs[1].position.y() - box.glyphs[0].position.y();
        };
        EXPECT_NEAR(pitch(first), pitch(building), 0.01 * kUnitsPerMm);
        expectInkInsideBoxesAndColumnsAtTheTop(page, "address block");
    }
}

TEST_F(CardInk, TheSendersBlockSitsJustAboveItsCode) {
    for (const CardLayout layout : {CardLayout::Type1, CardLayout::Type2}) {
        const TfrxReport report = compose(layout, {kRecipients[0]});
        ASSERT_EQ(report.PreviewPages().size(), 1);
        const PreparedPage& page = report.PreviewPages()[0];
        double bottom = 0, codeTop = 1e9;
        for (const LaidOutBox& box : layOutPage(page)) {
            if (QStringList{"Memo9", "Memo10", "Memo11", "Memo18", "Memo16", "Memo17"}.contains(
                    box.name))
                for (const PlacedGlyph& glyph : box.glyphs)
                    bottom = std::max(bottom, glyphInk(box, glyph).bottom());
            if (box.name == "Memo25")
                codeTop = toMm(box.clip).top();
        }
        // No longer floating tens of millimetres above it.
        EXPECT_NEAR(codeTop - bottom, 2.0, 0.3)
            << (layout == CardLayout::Type1 ? "TYPE1" : "TYPE2");
        expectInkInsideBoxesAndColumnsAtTheTop(page, "sender");
    }
}

TEST_F(CardInk, EnvelopesPutTheCodeInJapanPostsFrameAndEveryTextWholeOnTheirPaper) {
    const QList<CardRecipient> cards = sampleRecipients();
    const QStringList digitBoxes = {"Memo1",  "Memo19", "Memo20", "Memo21",
                                    "Memo22", "Memo23", "Memo24"};
    const QStringList senderBoxes = {"Memo9", "Memo10", "Memo11", "Memo16", "Memo17", "Memo18"};
    const struct {
        CardLayout layout;
        QSizeF paper;
    } envelopes[] = {{CardLayout::Naga3, {120, 235}},
                     {CardLayout::Naga4, {90, 205}},
                     {CardLayout::Kaku2, {240, 332}}};
    for (const auto& envelope : envelopes) {
        const std::string which = layoutFacts(envelope.layout).name.toStdString();
        CardOptions options;
        options.senderOnEnvelope = true;
        const TfrxReport report = compose(envelope.layout, cards, options);
        // The narrow 長形4号 cannot hold five 連名 beside the sender: that envelope is refused
        // with the offer to print the family together, never cut.
        if (envelope.layout == CardLayout::Naga4) {
            ASSERT_FALSE(report.Warnings.isEmpty());
            EXPECT_TRUE(report.Warnings.first().contains(
                "連名が多すぎて封筒に収まりません（「御家族御一同様」にまとめると作成できます）"));
            EXPECT_TRUE(report.Warnings.last().endsWith("（この封筒は作成していません）"));
            EXPECT_EQ(report.PreviewPages().size(), cards.size() - 1);
        } else {
            EXPECT_TRUE(report.Warnings.isEmpty()) << report.Warnings.join("\n").toStdString();
            EXPECT_EQ(report.PreviewPages().size(), cards.size()) << which;
        }
        const QVector<QRectF> frame = postalFrameBoxes(envelope.paper);
        // 定形 envelopes carry Japan Post's frame; a 角形2号 has none of that size.
        EXPECT_EQ(frame.size(), envelope.layout == CardLayout::Kaku2 ? 0 : 7) << which;
        if (!frame.isEmpty()) { // 12.0 mm from the top, 8.0 mm from the right edge
            EXPECT_DOUBLE_EQ(frame.first().top(), 12.0);
            EXPECT_NEAR(envelope.paper.width() - frame.last().right(), 8.0, 1e-9) << which;
        }
        for (const PreparedPage& page : report.PreviewPages()) {
            const std::string card = which + " " + page.title.toStdString();
            EXPECT_EQ(QSizeF(page.page.PaperWidth, page.page.PaperHeight), envelope.paper) << card;
            expectInkInsideBoxesAndColumnsAtTheTop(page, page.title);
            const QRectF printable(
                page.page.LeftMargin, page.page.TopMargin,
                envelope.paper.width() - page.page.LeftMargin - page.page.RightMargin,
                envelope.paper.height() - page.page.TopMargin - page.page.BottomMargin);
            QHash<QString, LaidOutBox> laid;
            QRectF sender;
            for (const LaidOutBox& box : layOutPage(page)) {
                laid[box.name] = box;
                for (const PlacedGlyph& glyph : box.glyphs) {
                    const QRectF ink = glyphInk(box, glyph);
                    if (ink.isEmpty())
                        continue;
                    EXPECT_TRUE(printable.contains(ink)) << card << " " << box.name.toStdString();
                    if (senderBoxes.contains(box.name))
                        sender |= ink;
                }
            }
            // The sender's block at the front's lower left.
            EXPECT_LT(sender.right(), envelope.paper.width() / 2) << card;
            EXPECT_GT(sender.top(), envelope.paper.height() / 2 - 5) << card;
            // Each code digit inside its box of the frame, clear of its lines; on a 角形2号 the
            // digits stand at one pitch with the hyphen between the third and the fourth.
            QVector<QRectF> digits;
            for (const QString& name : digitBoxes) {
                ASSERT_EQ(laid.value(name).glyphs.size(), 1) << card << " " << name.toStdString();
                digits.append(glyphInk(laid[name], laid[name].glyphs.first()));
            }
            for (int i = 0; i < 7 && !frame.isEmpty(); ++i)
                EXPECT_TRUE(frame[i].adjusted(0.3, 0.3, -0.3, -0.3).contains(digits[i]))
                    << card << " digit " << i + 1;
            if (frame.isEmpty()) {
                ASSERT_EQ(printedText(laid.value("Memo42")), "－") << card;
                const double hyphen = toMm(laid["Memo42"].frame).left();
                QVector<double> lefts;
                for (const QString& name : digitBoxes)
                    lefts.append(toMm(laid[name].frame).left());
                lefts.insert(3, hyphen);
                for (int i = 1; i < 8; ++i) // whole units of the page: 6.09 mm
                    EXPECT_NEAR(lefts[i] - lefts[i - 1], 23 * 25.4 / 96, 0.01) << card << " " << i;
                EXPECT_NEAR(digits.first().top(), 20, 2) << card;
                EXPECT_NEAR(envelope.paper.width() - digits.last().right(), 18 + 1.5, 1.5) << card;
            }
        }

        // Left for the back: none of the sender's texts or code on the front, and the name
        // block may take the room.
        const TfrxReport front = compose(envelope.layout, cards.mid(0, 1));
        ASSERT_EQ(front.PreviewPages().size(), 1) << which;
        for (const LaidOutBox& box : layOutPage(front.PreviewPages()[0]))
            EXPECT_FALSE(senderBoxes.contains(box.name) || box.name == "Memo8" ||
                         box.name == "Memo31")
                << which << " " << box.name.toStdString();
    }
}

TEST_F(CardInk, AnEnvelopesBarcodeStandsAloneAtTheFootAwayFromTheCancellationArea) {
    storePostalTowns(*dm, {{"1000013", "東京都", "千代田区", "霞が関", "霞が関"}});
    CardOptions options;
    options.barcode = options.senderOnEnvelope = true;
    for (const CardLayout layout : envelopeLayouts()) {
        const TfrxReport report = compose(
            layout, {{"100-0013", "東京都千代田区霞が関1丁目3番2号", "", "郵便", "太郎", "", ""}},
            options);
        ASSERT_EQ(report.PreviewPages().size(), 1);
        const PreparedPage& page = report.PreviewPages()[0];
        ASSERT_EQ(page.paths.size(), 67);
        QRectF bars;
        for (const PagePath& bar : page.paths)
            bars |= bar.points.boundingRect();
        const QRectF paper(0, 0, page.page.PaperWidth, page.page.PaperHeight);
        const std::string which = layoutFacts(layout).name.toStdString();
        // 10 mm inside every edge, below the 70 × 35 mm cancellation area, 2 mm from any text
        // (the sender's block is seated just that far above it).
        EXPECT_TRUE(paper.adjusted(10, 10, -10, -10).contains(bars)) << which;
        EXPECT_FALSE(bars.intersects(QRectF(0, 0, 70, 35))) << which;
        for (const LaidOutBox& box : layOutPage(page))
            for (const PlacedGlyph& glyph : box.glyphs)
                EXPECT_FALSE(
                    bars.adjusted(-1.95, -1.95, 1.95, 1.95).intersects(glyphInk(box, glyph)))
                    << which << " " << box.name.toStdString();
    }
}

TEST_F(CardInk, AnEnvelopesNotesNameTheEnvelopeAndKeepTheRecipientsNameAsWritten) {
    const Recipient shop{"1000001", "東京都千代田区千代田1-1", "", "はがき屋", "太郎", "", ""};
    const TfrxReport report = compose(CardLayout::Naga3, QVector<Recipient>{shop, shop});
    EXPECT_EQ(report.PreviewPages().size(), 2);
    EXPECT_EQ(report.Warnings,
              QStringList{"はがき屋 太郎 様: 同じ名前と住所の封筒がこの中にもう一枚あります"});
}
