#include "card_layouts.h"
#include "font_substitution.h"
#include "message_service.h"
#include "page_file.h"
#include "page_renderer.h"
#include "postal_frame.h"
#include "preview_window.h"
#include "recorded_boxes.h"
#include "when_shown.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QImage>
#include <QLineEdit>
#include <QListView>
#include <QProcess>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTemporaryDir>

#include <QCoreApplication>
#include <QPrinter>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>

using namespace velta;

namespace {

// Cards with a surname each, as the composition would prepare them.
QVector<PreparedPage> cards(const QStringList& surnames) {
    TfrxReport report = makeCardTemplate(CardLayout::Type1);
    for (const QString& surname : surnames) {
        report.FindObject("Memo4")->Text = surname;
        report.FindObject("Memo1")->Text = "1";
        report.PrepareReport(false);
    }
    return report.PreviewPages();
}

int redPixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            count += c.red() > 150 && c.green() < 100 && c.blue() < 100;
        }
    return count;
}

} // namespace

TEST(Preview, OpensOnPageOneAtFullSizeWithEveryTool) {
    TfrxPreviewWindow window(cards({"山田", "佐藤", "鈴木"}));
    EXPECT_TRUE(window.isModal());
    EXPECT_TRUE(window.windowState() & Qt::WindowMaximized);
    EXPECT_EQ(window.currentPage(), 0);
    EXPECT_DOUBLE_EQ(window.zoom(), 1.0);
    EXPECT_EQ(window.zoomBox->currentText(), "100%");
    for (const char* name :
         {"actPrint",      "actOpen",         "actSave",       "actPdf",     "actFind",
          "actFindNext",   "actFindPrevious", "actZoomIn",     "actZoomOut", "actWholePage",
          "actFullScreen", "actOutline",      "actThumbnails", "actMargins", "actFirst",
          "actPrevious",   "actNext",         "actLast",       "actFrame",   "actClose"}) {
        auto* action = window.findChild<QAction*>(name);
        ASSERT_NE(action, nullptr) << name;
        EXPECT_TRUE(window.actions().contains(action)) << name << " is in the context menu";
    }
    EXPECT_EQ(window.contextMenuPolicy(), Qt::ActionsContextMenu);
    EXPECT_EQ(window.outline->model()->rowCount(), 3);
    EXPECT_EQ(window.thumbnails->model()->rowCount(), 3);
}

TEST(Preview, NavigatesAndZooms) {
    TfrxPreviewWindow window(cards({"一", "二", "三"}));
    window.actNext->trigger();
    EXPECT_EQ(window.currentPage(), 1);
    EXPECT_EQ(window.pageBox->value(), 2);
    window.actLast->trigger();
    window.actNext->trigger();
    EXPECT_EQ(window.currentPage(), 2);
    window.actPrevious->trigger();
    EXPECT_EQ(window.currentPage(), 1);
    window.actFirst->trigger();
    EXPECT_EQ(window.currentPage(), 0);
    window.pageBox->setValue(3);
    EXPECT_EQ(window.currentPage(), 2);
    window.outline->setCurrentIndex(window.outline->model()->index(1, 0));
    EXPECT_EQ(window.currentPage(), 1);

    window.actZoomIn->trigger();
    EXPECT_DOUBLE_EQ(window.zoom(), 1.5);
    window.actZoomOut->trigger();
    window.actZoomOut->trigger();
    EXPECT_DOUBLE_EQ(window.zoom(), 0.75);
    window.zoomBox->setCurrentIndex(window.zoomBox->findText("200%"));
    emit window.zoomBox->activated(window.zoomBox->currentIndex());
    EXPECT_DOUBLE_EQ(window.zoom(), 2.0);
    window.resize(800, 600);
    window.actWholePage->trigger();
    EXPECT_LT(window.zoom(), 2.0);
}

TEST(Preview, FindMovesBetweenPagesWithHitsAndHighlightsThem) {
    velta::test::RecordedBoxes boxes;
    TfrxPreviewWindow window(cards({"山田", "佐藤", "山本"}));
    window.findEdit->setText("山");
    window.actFind->trigger();
    EXPECT_EQ(window.currentPage(), 0);
    window.actFindNext->trigger();
    EXPECT_EQ(window.currentPage(), 2);
    window.actFindNext->trigger();
    EXPECT_EQ(window.currentPage(), 0);
    window.actFindPrevious->trigger();
    EXPECT_EQ(window.currentPage(), 2);
    window.findEdit->setText("該当なし");
    window.actFind->trigger();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.shown[0].text.contains("見つかりませんでした"));
}

TEST(Preview, PostalFrameShowsOnScreenOnlyAtJapanPostsPositions) {
    const QVector<QRectF> frame = postalFrameBoxes();
    ASSERT_EQ(frame.size(), 7);
    EXPECT_DOUBLE_EQ(frame[0].left(), 44.3);
    EXPECT_DOUBLE_EQ(frame[0].top(), 12.0);
    EXPECT_NEAR(frame[3].left(), 44.3 + 3 * 5.7 + 1.3 + 1.3 + 1.9, 1e-9);
    EXPECT_NEAR(frame[6].right(), 92.0, 1e-9);

    TfrxPreviewWindow window(cards({"山田"}));
    window.resize(900, 900);
    window.show();
    EXPECT_EQ(redPixels(window.view()->grab().toImage()), 0);
    window.actFrame->trigger();
    EXPECT_GT(redPixels(window.view()->grab().toImage()), 100);

    QTemporaryDir folder;
    const QString pdf = folder.filePath("cards.pdf");
    window.exportPdf(pdf);
    QProcess::execute("pdftoppm",
                      {"-r", "50", "-png", "-singlefile", pdf, folder.filePath("page")});
    const QImage paper(folder.filePath("page.png"));
    ASSERT_FALSE(paper.isNull());
    EXPECT_EQ(redPixels(paper), 0);
}

TEST(Preview, SavedPagesOpenAgainAndBadFilesAreRefusedWholly) {
    QTemporaryDir folder;
    const QString file = folder.filePath("pages.vpg");
    QVector<PreparedPage> pages = cards({"山田"});
    TfrxReport composed = makeCardTemplate(CardLayout::Type1);
    composed.FindObject("Memo4")->Text = "クリストファー";
    composed.FindObject("Memo4")->Condense = 0.8;
    composed.FindObject("Memo2")->Text = "東京都１ー１４";
    composed.FindObject("Memo2")->DigitPairs = true;
    pages.append(composed.currentPage());
    PagePath bar; // a barcode's bar
    bar.points = QPolygonF(QRectF(10, 133.6, 0.48, 2.88));
    bar.closed = bar.filled = true;
    pages.last().paths = {bar};
    TfrxPreviewWindow window(pages);
    window.saveFile(file);
    TfrxPreviewWindow other(cards({"鈴木"}));
    other.openFile(file);
    ASSERT_EQ(other.pages().size(), 2);
    EXPECT_EQ(other.pages()[1].boxCount(), 41);
    // Every property comes back, 長体 and 縦中横 of the composed cards included.
    bool condensed = false, paired = false;
    for (int i = 0; i < 41; ++i) {
        const TextBox a = window.pages()[1].box(i);
        EXPECT_TRUE(a == other.pages()[1].box(i)) << a.Name.toStdString();
        condensed = condensed || a.Condense < 1;
        paired = paired || a.DigitPairs;
    }
    EXPECT_TRUE(condensed && paired);
    EXPECT_EQ(other.pages()[1].paths, QVector<PagePath>{bar});

    QFile original(file);
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    const QByteArray bytes = original.readAll();
    auto refused = [&](const QByteArray& content) {
        const QString bad = folder.filePath("bad.vpg");
        QFile out(bad);
        out.open(QIODevice::WriteOnly | QIODevice::Truncate);
        out.write(content);
        out.close();
        try {
            loadPages(bad);
            return QString();
        } catch (const PageFileError& error) {
            return QString::fromUtf8(error.what());
        }
    };
    EXPECT_TRUE(refused(bytes.left(bytes.size() / 2)).contains("読み込めません")); // truncated
    EXPECT_TRUE(
        refused("NOTVELTA" + bytes.mid(8)).contains("ページファイルではありません")); // other file
    QByteArray hostile = bytes;
    hostile[12] = '\xff'; // page count of billions
    hostile[13] = '\xff';
    hostile[14] = '\xff';
    hostile[15] = '\x7f';
    EXPECT_FALSE(refused(hostile).isEmpty());
    QByteArray version = bytes;
    version[8] = 9;
    EXPECT_TRUE(refused(version).contains("版"));
    EXPECT_FALSE(refused(bytes + "x").isEmpty());
    EXPECT_FALSE(refused(QByteArray()).isEmpty());
    // A refused file leaves the shown pages as they were.
    EXPECT_THROW(other.openFile(folder.filePath("bad.vpg")), PageFileError);
    EXPECT_EQ(other.pages().size(), 2);
}

TEST(Preview, PrintToFileWritesTheChosenCardsOnExactCardPages) {
    QTemporaryDir folder;
    TfrxPreviewWindow window(cards({"山田", "佐藤", "鈴木"}));
    window.printer().setOutputFormat(QPrinter::PdfFormat);
    window.printer().setOutputFileName(folder.filePath("printed.pdf"));
    window.printer().setPrintRange(QPrinter::PageRange);
    window.printer().setFromTo(2, 3);
    window.print();
    QProcess info;
    info.start("pdfinfo", {folder.filePath("printed.pdf")});
    info.waitForFinished();
    const QString text = QString::fromUtf8(info.readAllStandardOutput());
    EXPECT_TRUE(text.contains(QRegularExpression("Pages:\\s+2\\n"))) << text.toStdString();
    // Not Qt's whole points (284 x 419): the card's own size.
    EXPECT_TRUE(text.contains("Page size:       283.465 x 419.528 pts")) << text.toStdString();
    QProcess extract;
    extract.start("pdftotext", {folder.filePath("printed.pdf"), "-"});
    extract.waitForFinished();
    const QString printed =
        QString::fromUtf8(extract.readAllStandardOutput()).remove(QRegularExpression("\\s"));
    EXPECT_FALSE(printed.contains("山田"));
    EXPECT_TRUE(printed.contains("佐藤") && printed.contains("鈴木")) << printed.toStdString();
}

TEST(Fonts, WindowsFacesAndUnknownFacesDrawWithInstalledJapaneseFaces) {
    for (const char* face :
         {"HGP明朝E", "HG明朝E", "ＭＳ Ｐゴシック", "Arial", "Tahoma", "どこにもない書体"}) {
        const QStringList faces = substituteFaces(QString::fromUtf8(face));
        const auto installed = std::find_if(faces.begin(), faces.end(), [](const QString& f) {
            return QFontDatabase::hasFamily(f);
        });
        ASSERT_NE(installed, faces.end()) << face;
        // Whatever the face, kanji get a real glyph, never a tofu box (glyph 0).
        TextBox box;
        box.Name = "T";
        box.Width = box.Height = 200;
        box.Text = "髙山";
        box.FontName = QString("@") + QString::fromUtf8(face);
        box.Rotation = 270;
        const auto laid = layOutPage(PreparedPage{PageSetup{}, {box}, {}});
        ASSERT_EQ(laid[0].glyphs.size(), 2);
        for (const PlacedGlyph& glyph : laid[0].glyphs)
            EXPECT_NE(glyph.glyph, 0u) << face;
    }
}

TEST(Fonts, HeavyMonospacedAndProportionalFacesStandInAsTheirNamesSay) {
    auto laid = [](const char* face, const QString& text) {
        TextBox box;
        box.Name = "T";
        box.Width = box.Height = 400;
        box.Text = text;
        box.FontName = QString("@") + QString::fromUtf8(face);
        box.Rotation = 270;
        return layOutPage(PreparedPage{PageSetup{}, {box}, {}}).first();
    };
    for (const char* heavy : {"HG明朝E", "HGP明朝E"})
        EXPECT_GE(laid(heavy, "山").weight, QFont::Bold) << heavy;
    EXPECT_EQ(laid("ＭＳ ゴシック", "山").family, "IPAGothic");
    EXPECT_EQ(laid("ＭＳ Ｐ明朝", "山").family, "IPAPMincho");
    // In a vertical column kana take a full em even in a proportional face, so they never touch.
    const LaidOutBox kana = laid("ＭＳ Ｐゴシック", "あぁいぃ");
    EXPECT_EQ(kana.family, "IPAPGothic");
    ASSERT_EQ(kana.glyphs.size(), 4);
    for (int i = 1; i < 4; ++i)
        EXPECT_NEAR(kana.glyphs[i].position.y() - kana.glyphs[i - 1].position.y(), kana.pixelSize,
                    kana.pixelSize * 0.2);
}

TEST(Preview, EmptyPageListOpensAnEmptyPreview) {
    TfrxReport report = makeCardTemplate(CardLayout::Type1);
    QVector<PreparedPage> shown{PreparedPage{}};
    TfrxReport::setPreviewer([&](const QVector<PreparedPage>& pages, const QStringList&) {
        shown = pages;
        return QList<int>();
    });
    report.ShowPreparedReport();
    TfrxReport::setPreviewer({});
    EXPECT_TRUE(shown.isEmpty());
    TfrxPreviewWindow window(shown);
    EXPECT_EQ(window.outline->model()->rowCount(), 0);
    window.actNext->trigger();
    window.actLast->trigger();
    EXPECT_EQ(window.currentPage(), 0);
    window.show();
    EXPECT_FALSE(window.view()->grab().isNull());
}

TEST(Preview, ExportedPdfHasCardPagesWithExtractableText) {
    QTemporaryDir folder;
    const QString pdf = folder.filePath("three.pdf");
    TfrxReport report = makeCardTemplate(CardLayout::Type1);
    for (const char* surname : {"鈴木", "高橋", "渡辺"}) {
        report.FindObject("Memo4")->Text = QString::fromUtf8(surname);
        report.FindObject("Memo1")->Text = "7";
        report.PrepareReport(false);
    }
    TfrxPreviewWindow window(report.PreviewPages());
    window.exportPdf(pdf);
    QProcess info;
    info.start("pdfinfo", {pdf});
    info.waitForFinished();
    const QString text = QString::fromUtf8(info.readAllStandardOutput());
    EXPECT_TRUE(text.contains(QRegularExpression("Pages:\\s+3"))) << text.toStdString();
    QProcess extract;
    extract.start("pdftotext", {"-f", "3", "-l", "3", pdf, "-"});
    extract.waitForFinished();
    const QString page3 = QString::fromUtf8(extract.readAllStandardOutput());
    EXPECT_TRUE(page3.contains("渡")) << page3.toStdString();
    EXPECT_TRUE(page3.contains("7")) << page3.toStdString();
}

TEST(Preview, StoppedPdfOrPageFileKeepsTheOldFileAndTheShownCards) {
    QTemporaryDir folder;
    auto writeOld = [&](const QString& name) {
        QFile old(folder.filePath(name));
        old.open(QIODevice::WriteOnly);
        old.write("old");
        return old.fileName();
    };
    auto content = [](const QString& file) {
        QFile kept(file);
        kept.open(QIODevice::ReadOnly);
        return kept.readAll();
    };
    const QString pdf = writeOld("cards.pdf");
    const QString pages = writeOld("cards.vpg");
    TfrxPreviewWindow window(cards({"山田", "佐藤", "鈴木"}));
    window.show();
    for (auto write : {std::function<void()>([&] { window.exportPdf(pdf); }),
                       std::function<void()>([&] { window.saveFile(pages); })}) {
        velta::test::PressCancel cancel;
        write();
        EXPECT_TRUE(cancel.pressed());
    }
    EXPECT_EQ(content(pdf), "old");
    EXPECT_EQ(content(pages), "old");
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList({"cards.pdf", "cards.vpg"}));

    // A page file opened and stopped halfway: the cards shown stay.
    window.saveFile(folder.filePath("two.vpg"));
    TfrxPreviewWindow other(cards({"田中"}));
    other.show();
    {
        velta::test::PressCancel cancel;
        other.openFile(folder.filePath("two.vpg"));
        EXPECT_TRUE(cancel.pressed());
    }
    ASSERT_EQ(other.pages().size(), 1);
    other.openFile(folder.filePath("two.vpg"));
    EXPECT_EQ(other.pages().size(), 3);
}

TEST(Preview, ThumbnailsAreCardsInTheirOwnCellsDrawnWhenInView) {
    QStringList names;
    for (int i = 0; i < 1000; ++i)
        names.append(QString("山田%1").arg(i));
    TfrxPreviewWindow window(cards(names));
    window.resize(900, 700);
    window.show();
    QAbstractItemModel* model = window.thumbnails->model();
    auto drawn = [&](int row) { return model->index(row, 0).data(Qt::UserRole).toBool(); };
    EXPECT_FALSE(drawn(0)); // nothing is drawn before the panel is asked for
    window.actThumbnails->trigger();
    QCoreApplication::processEvents();
    ASSERT_EQ(model->rowCount(), 1000);
    EXPECT_TRUE(drawn(0));
    EXPECT_FALSE(drawn(999)); // out of view
    // Laid out without overlap, every item a card-shaped icon.
    for (int i = 1; i < 40; ++i) {
        const QRect a = window.thumbnails->visualRect(model->index(i - 1, 0));
        const QRect b = window.thumbnails->visualRect(model->index(i, 0));
        EXPECT_FALSE(a.intersects(b)) << i;
    }
    window.thumbnails->scrollToBottom();
    QCoreApplication::processEvents();
    EXPECT_TRUE(drawn(999));
    int kept = 0;
    for (int row = 0; row < 1000; ++row)
        kept += drawn(row) ? 1 : 0;
    EXPECT_LE(kept, 200);
    EXPECT_GT(kept, 0);
}

TEST(Preview, OutlineNamesCardsSearchCrossesWidthsAndSaveAddsTheExtension) {
    TfrxReport report = makeCardTemplate(CardLayout::Type1);
    report.FindObject("Memo4")->Text = "山田";
    report.FindObject("Memo2")->Text = "東京都１ー２";
    report.PrepareReport(false, "山田 太郎 様");
    report.FindObject("Memo2")->Text = "ｱｲﾁｹﾝ";
    report.PrepareReport(false, "佐藤 様");
    velta::test::RecordedBoxes boxes;
    TfrxPreviewWindow window(report.PreviewPages());
    EXPECT_EQ(window.outline->model()->index(0, 0).data().toString(), "1. 山田 太郎 様");
    EXPECT_EQ(window.outline->model()->index(1, 0).data().toString(), "2. 佐藤 様");

    window.findEdit->setText("1ー2");
    window.actFind->trigger();
    EXPECT_EQ(window.currentPage(), 0);
    window.findEdit->setText("アイチ");
    window.actFind->trigger();
    EXPECT_EQ(window.currentPage(), 1);
    EXPECT_TRUE(boxes.shown.empty());

    QTemporaryDir folder;
    window.saveFile(folder.filePath("cards")); // as the dialog hands it over
    EXPECT_TRUE(QFile::exists(folder.filePath("cards.vpg")));

    window.actWholePage->trigger();
    EXPECT_EQ(window.zoomBox->currentText(),
              QString::number(std::lround(window.zoom() * 100)) + "%");
    window.show();
    window.setWindowState(Qt::WindowFullScreen);
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.windowState() & Qt::WindowFullScreen);
    EXPECT_NEAR(window.printer().pageLayout().pageSize().size(QPageSize::Millimeter).width(), 100,
                0.1);
}
