#include "preview_window.h"

#include "message_service.h"
#include "page_file.h"
#include "page_renderer.h"
#include "pdf_writer.h"
#include "postal_frame.h"
#include "print_calibration.h"
#include "print_spool.h"
#include "progress_dialog.h"

#include <QAbstractListModel>
#include <QAction>
#include <QCache>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QSplitter>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

namespace velta {

namespace {

TfrxPreviewWindow::Calibrator& calibrator() {
    static TfrxPreviewWindow::Calibrator opener;
    return opener;
}

const QList<int> kZoomSteps = {25, 50, 75, 100, 150, 200, 300, 400};

// Search matches across character widths and letter case: 1 finds １, ｱ finds ア.
QString searchForm(const QString& text) {
    return text.normalized(QString::NormalizationForm_KC).toCaseFolded();
}

QString withSuffix(const QString& fileName, const QString& suffix) {
    return QFileInfo(fileName).suffix().isEmpty() ? fileName + QLatin1Char('.') + suffix : fileName;
}

QPageSize cardPageSize(const PageSetup& page) {
    return QPageSize(QSizeF(page.PaperWidth, page.PaperHeight), QPageSize::Millimeter,
                     QStringLiteral("はがき"), QPageSize::ExactMatch);
}

} // namespace

// The lists stand over the pages themselves: 100,000 cards make no items, only rows asked for
// when shown.
class TfrxPreviewWindow::OutlineModel : public QAbstractListModel {
public:
    OutlineModel(const QVector<PreparedPage>& pages, QObject* parent)
        : QAbstractListModel(parent), pages_(pages) {}
    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(pages_.size());
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole || !index.isValid())
            return {};
        const QString& title = pages_[index.row()].title;
        return title.isEmpty() ? QStringLiteral("ページ %1").arg(index.row() + 1)
                               : QStringLiteral("%1. %2").arg(index.row() + 1).arg(title);
    }
    void reset() {
        beginResetModel();
        endResetModel();
    }

private:
    const QVector<PreparedPage>& pages_;
};

// A thumbnail is drawn when the view first paints it; the most recent are kept.
class TfrxPreviewWindow::ThumbnailModel : public QAbstractListModel {
public:
    static constexpr int kKept = 200;
    ThumbnailModel(const QVector<PreparedPage>& pages, QObject* parent)
        : QAbstractListModel(parent), pages_(pages), drawn_(kKept) {
        blank_ = QPixmap(100, 148);
        blank_.fill(Qt::white);
        QPainter painter(&blank_);
        painter.setPen(Qt::gray);
        painter.drawRect(0, 0, 99, 147);
    }
    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(pages_.size());
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid())
            return {};
        if (role == Qt::DisplayRole)
            return QString::number(index.row() + 1);
        if (role == Qt::UserRole)
            return drawn_.contains(index.row());
        // Sizes come from here, not from a drawn sample (the view would draw its last row).
        if (role == Qt::SizeHintRole)
            return QSize(110, 170);
        if (role != Qt::DecorationRole)
            return {};
        if (const QPixmap* kept = drawn_.object(index.row()))
            return *kept;
        QImage thumb(100, 148, QImage::Format_RGB32);
        thumb.fill(Qt::white);
        thumb.setDotsPerMeterX(1000); // 1 pixel per millimetre
        thumb.setDotsPerMeterY(1000);
        QPainter painter(&thumb);
        renderPage(painter, pages_[index.row()]);
        painter.end();
        auto* pixmap = new QPixmap(QPixmap::fromImage(thumb));
        drawn_.insert(index.row(), pixmap);
        return *pixmap;
    }
    void reset() {
        beginResetModel();
        drawn_.clear();
        endResetModel();
    }

private:
    const QVector<PreparedPage>& pages_;
    mutable QCache<int, QPixmap> drawn_;
    QPixmap blank_;
};

// The shown page: white paper at the zoom, the optional postal frame behind the text, and the
// hits of a search.
class PageView : public QWidget {
public:
    explicit PageView(QWidget* parent) : QWidget(parent) {
        setObjectName(QStringLiteral("PageView"));
    }

    const PreparedPage* page = nullptr;
    double zoom = 1.0;
    bool frame = false;
    QVector<QRectF> highlights; // page units, card coordinates

    double pixelsPerMm() const { return zoom * logicalDpiX() / 25.4; }
    QSize sizeHint() const override {
        if (!page)
            return {200, 200};
        return QSize(static_cast<int>(page->page.PaperWidth * pixelsPerMm()) + 20,
                     static_cast<int>(page->page.PaperHeight * pixelsPerMm()) + 20);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), palette().color(QPalette::Dark));
        if (!page)
            return;
        painter.translate(10, 10);
        const double scale = pixelsPerMm();
        painter.fillRect(
            QRectF(0, 0, page->page.PaperWidth * scale, page->page.PaperHeight * scale), Qt::white);
        if (frame) {
            painter.setPen(QPen(QColor(220, 30, 30), std::max(1.0, 0.3 * scale)));
            for (const QRectF& box :
                 postalFrameBoxes({page->page.PaperWidth, page->page.PaperHeight}))
                painter.drawRect(QRectF(box.topLeft() * scale, box.size() * scale));
        }
        const double unitScale = scale / kUnitsPerMm;
        for (const QRectF& hit : highlights)
            painter.fillRect(QRectF(hit.topLeft() * unitScale, hit.size() * unitScale),
                             QColor(255, 230, 0, 120));
        painter.scale(zoom, zoom);
        renderPage(painter, *page);
    }
};

TfrxPreviewWindow::TfrxPreviewWindow(QVector<PreparedPage> pages, const QStringList& warnings,
                                     QWidget* parent)
    : QDialog(parent), view_(new PageView(this)) {
    setObjectName(QStringLiteral("frxPreviewForm"));
    setWindowTitle(QStringLiteral("印刷プレビュー"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    buildToolbar();
    layout->addWidget(findChild<QToolBar*>(QStringLiteral("toolbar")));
    warningLabel = new QLabel(this);
    warningLabel->setObjectName(QStringLiteral("warningLabel"));
    warningLabel->setWordWrap(true);
    warningLabel->setStyleSheet(
        QStringLiteral("background: #fff4c2; color: #7a3e00; padding: 6px;"));
    warningLabel->setText(QStringLiteral("印刷の前に確かめてください（枠に収まらない文字は印刷"
                                         "されません）:\n") +
                          warnings.join(QLatin1Char('\n')));
    warningLabel->setVisible(!warnings.isEmpty());
    layout->addWidget(warningLabel);

    auto* splitter = new QSplitter(this);
    sides_ = new QTabWidget(splitter);
    outline = new QListView(sides_);
    outline->setObjectName(QStringLiteral("outline"));
    outline->setUniformItemSizes(true);
    outlineModel_ = new OutlineModel(pages_, this);
    outline->setModel(outlineModel_);
    thumbnails = new QListView(sides_);
    thumbnails->setObjectName(QStringLiteral("thumbnails"));
    thumbnailModel_ = new ThumbnailModel(pages_, this);
    thumbnails->setModel(thumbnailModel_);
    thumbnails->setViewMode(QListView::IconMode);
    thumbnails->setIconSize(QSize(100, 148));
    // Every item the same card-shaped cell, laid out again as the panel changes: no overlap.
    thumbnails->setUniformItemSizes(true);
    thumbnails->setGridSize(QSize(116, 172));
    thumbnails->setResizeMode(QListView::Adjust);
    thumbnails->setMovement(QListView::Static);
    thumbnails->setWrapping(true);
    sides_->addTab(outline, QStringLiteral("アウトライン"));
    sides_->addTab(thumbnails, QStringLiteral("サムネイル"));
    sides_->hide();
    scroll_ = new QScrollArea(splitter);
    scroll_->setWidget(view_);
    scroll_->setAlignment(Qt::AlignCenter);
    splitter->setStretchFactor(1, 1);
    layout->addWidget(splitter, 1);
    for (QListView* list : {outline, thumbnails})
        connect(list->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                [this](const QModelIndex& row) { showPage(row.row()); });

    printer_.setFullPage(true);
    setPages(std::move(pages));
    // The print dialog opens on the card's paper, not the printer's A4.
    const PageSetup card = pages_.isEmpty() ? PageSetup{} : pages_.first().page;
    printer_.setPageLayout(
        QPageLayout(cardPageSize(card), QPageLayout::Portrait,
                    QMarginsF(card.LeftMargin, card.TopMargin, card.RightMargin, card.BottomMargin),
                    QPageLayout::Millimeter));
    setWindowState(windowState() | Qt::WindowMaximized);
}

TfrxPreviewWindow::~TfrxPreviewWindow() = default;

void TfrxPreviewWindow::buildToolbar() {
    auto* bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("toolbar"));
    auto add = [&](QAction*& action, const char* name, const QString& text, auto handler) {
        action = bar->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, handler);
        addAction(action); // the context menu offers the same items
    };
    add(actPrint, "actPrint", QStringLiteral("印刷"), [this] {
        QPrintDialog dialog(&printer_, this);
        dialog.setOptions(QAbstractPrintDialog::PrintPageRange |
                          QAbstractPrintDialog::PrintCurrentPage |
                          QAbstractPrintDialog::PrintCollateCopies);
        dialog.setMinMax(1, static_cast<int>(std::max<qsizetype>(pages_.size(), 1)));
        if (dialog.exec() == QDialog::Accepted)
            print();
    });
    add(actOpen, "actOpen", QStringLiteral("開く"), [this] {
        const QString name = QFileDialog::getOpenFileName(this, QStringLiteral("開く"), {},
                                                          QStringLiteral("VELTA ページ (*.vpg)"));
        if (!name.isEmpty())
            openFile(name);
    });
    add(actSave, "actSave", QStringLiteral("保存"), [this] {
        const QString name = QFileDialog::getSaveFileName(this, QStringLiteral("保存"), {},
                                                          QStringLiteral("VELTA ページ (*.vpg)"));
        if (!name.isEmpty())
            saveFile(name);
    });
    add(actPdf, "actPdf", QStringLiteral("PDF 出力"), [this] {
        const QString name = QFileDialog::getSaveFileName(this, QStringLiteral("PDF 出力"), {},
                                                          QStringLiteral("PDF (*.pdf)"));
        if (!name.isEmpty())
            exportPdf(withSuffix(name, QStringLiteral("pdf")));
    });
    bar->addSeparator();
    findEdit = new QLineEdit(bar);
    findEdit->setObjectName(QStringLiteral("findEdit"));
    findEdit->setPlaceholderText(QStringLiteral("検索する文字"));
    findEdit->setMaximumWidth(160);
    bar->addWidget(findEdit);
    add(actFind, "actFind", QStringLiteral("検索"), [this] {
        hit_ = -1;
        find(true);
    });
    add(actFindPrevious, "actFindPrevious", QStringLiteral("前を検索"), [this] { find(false); });
    add(actFindNext, "actFindNext", QStringLiteral("次を検索"), [this] { find(true); });
    connect(findEdit, &QLineEdit::returnPressed, actFind, &QAction::trigger);
    bar->addSeparator();
    add(actZoomIn, "actZoomIn", QStringLiteral("拡大"), [this] {
        for (int step : kZoomSteps)
            if (step > zoom() * 100 + 0.5)
                return setZoom(step / 100.0);
    });
    add(actZoomOut, "actZoomOut", QStringLiteral("縮小"), [this] {
        for (auto it = kZoomSteps.crbegin(); it != kZoomSteps.crend(); ++it)
            if (*it < zoom() * 100 - 0.5)
                return setZoom(*it / 100.0);
    });
    zoomBox = new QComboBox(bar);
    zoomBox->setObjectName(QStringLiteral("zoomBox"));
    for (int step : kZoomSteps)
        zoomBox->addItem(QString::number(step) + QLatin1Char('%'), step);
    bar->addWidget(zoomBox);
    connect(zoomBox, &QComboBox::activated, this,
            [this](int index) { setZoom(zoomBox->itemData(index).toInt() / 100.0); });
    add(actWholePage, "actWholePage", QStringLiteral("ページ全体"), [this] {
        if (pages_.isEmpty())
            return;
        const QSize area = scroll_->viewport()->size() - QSize(24, 24);
        const double perMm = logicalDpiY() / 25.4;
        setZoom(std::min(area.width() / (pages_[current_].page.PaperWidth * perMm),
                         area.height() / (pages_[current_].page.PaperHeight * perMm)));
    });
    add(actFullScreen, "actFullScreen", QStringLiteral("全画面"),
        [this] { setWindowState(windowState() ^ Qt::WindowFullScreen); });
    bar->addSeparator();
    add(actOutline, "actOutline", QStringLiteral("アウトライン"), [this] {
        sides_->setVisible(!(sides_->isVisible() && sides_->currentWidget() == outline));
        sides_->setCurrentWidget(outline);
    });
    add(actThumbnails, "actThumbnails", QStringLiteral("サムネイル"), [this] {
        sides_->setVisible(!(sides_->isVisible() && sides_->currentWidget() == thumbnails));
        sides_->setCurrentWidget(thumbnails);
    });
    add(actMargins, "actMargins", QStringLiteral("余白"), [this] { pageSetup(); });
    add(actCalibrate, "actCalibrate", QStringLiteral("位置調整"), [this] {
        if (calibrator())
            calibrator()(this);
    });
    actCalibrate->setVisible(bool(calibrator()));
    bar->addSeparator();
    add(actFirst, "actFirst", QStringLiteral("最初"), [this] { showPage(0); });
    add(actPrevious, "actPrevious", QStringLiteral("前"), [this] { showPage(current_ - 1); });
    pageBox = new QSpinBox(bar);
    pageBox->setObjectName(QStringLiteral("pageBox"));
    bar->addWidget(pageBox);
    connect(pageBox, &QSpinBox::valueChanged, this, [this](int value) { showPage(value - 1); });
    add(actNext, "actNext", QStringLiteral("次"), [this] { showPage(current_ + 1); });
    add(actLast, "actLast", QStringLiteral("最後"),
        [this] { showPage(static_cast<int>(pages_.size()) - 1); });
    bar->addSeparator();
    add(actFrame, "actFrame", QStringLiteral("はがき枠"), [this] {
        view_->frame = actFrame->isChecked();
        view_->update();
    });
    actFrame->setCheckable(true);
    add(actClose, "actClose", QStringLiteral("閉じる"), [this] { accept(); });
    setContextMenuPolicy(Qt::ActionsContextMenu);
}

// A blank card, shown for a thumbnail until it is drawn.
void TfrxPreviewWindow::setPages(QVector<PreparedPage> pages) {
    pages_ = std::move(pages);
    outlineModel_->reset();
    thumbnailModel_->reset();
    pageBox->setRange(pages_.isEmpty() ? 0 : 1,
                      static_cast<int>(std::max<qsizetype>(pages_.size(), 1)));
    current_ = -1;
    hit_ = -1;
    showPage(0);
    setZoom(1.0);
}

void TfrxPreviewWindow::keyPressEvent(QKeyEvent* event) {
    // Escape first leaves full screen; only then does it close the preview.
    if (event->key() == Qt::Key_Escape && (windowState() & Qt::WindowFullScreen)) {
        setWindowState(windowState() & ~Qt::WindowFullScreen);
        return;
    }
    QDialog::keyPressEvent(event);
}

double TfrxPreviewWindow::zoom() const {
    return view_->zoom;
}

QWidget* TfrxPreviewWindow::view() const {
    return view_;
}

void TfrxPreviewWindow::setZoom(double factor) {
    view_->zoom = std::clamp(factor, 0.1, 8.0);
    const int percent = static_cast<int>(std::lround(view_->zoom * 100));
    // A zoom between the steps (ページ全体) shows as an item of its own at the top, the box
    // not being editable; the previous one goes.
    if (zoomBox->count() > kZoomSteps.size())
        zoomBox->removeItem(0);
    int index = zoomBox->findData(percent);
    if (index < 0) {
        zoomBox->insertItem(0, QString::number(percent) + QLatin1Char('%'), percent);
        index = 0;
    }
    zoomBox->setCurrentIndex(index);
    view_->resize(view_->sizeHint());
    view_->update();
}

void TfrxPreviewWindow::showPage(int index) {
    if (pages_.isEmpty()) {
        view_->page = nullptr;
        current_ = 0;
        view_->update();
        return;
    }
    index = std::clamp(index, 0, static_cast<int>(pages_.size()) - 1);
    if (index == current_)
        return;
    current_ = index;
    view_->page = &pages_[index];
    view_->highlights.clear();
    const QString text = findEdit->text();
    if (!text.isEmpty())
        for (const LaidOutBox& box : layOutPage(pages_[index]))
            for (const TextBox& source : pages_[index].boxes())
                if (source.Name == box.name && source.Visible &&
                    searchForm(source.Text).contains(searchForm(text)))
                    view_->highlights.append(box.clip);
    QSignalBlocker blockBox(pageBox), blockOutline(outline->selectionModel()),
        blockThumbs(thumbnails->selectionModel());
    pageBox->setValue(index + 1);
    outline->setCurrentIndex(outlineModel_->index(index));
    thumbnails->setCurrentIndex(thumbnailModel_->index(index));
    view_->resize(view_->sizeHint());
    view_->update();
}

void TfrxPreviewWindow::find(bool forward) {
    const QString text = findEdit->text();
    QVector<int> hitPages;
    const QString wanted = searchForm(text);
    for (int i = 0; i < pages_.size() && !text.isEmpty(); ++i)
        for (qsizetype b = 0; b < pages_[i].boxCount(); ++b)
            if (pages_[i].frame(b).Visible && searchForm(pages_[i].text(b)).contains(wanted)) {
                hitPages.append(i);
                break;
            }
    if (hitPages.isEmpty()) {
        MessageService::information(this,
                                    QStringLiteral("「%1」は見つかりませんでした。").arg(text));
        return;
    }
    hit_ = forward ? (hit_ + 1) % static_cast<int>(hitPages.size())
                   : (hit_ <= 0 ? static_cast<int>(hitPages.size()) - 1 : hit_ - 1);
    current_ = -1; // repaint the highlights even on the same page
    showPage(hitPages[hit_]);
}

void TfrxPreviewWindow::setCalibrator(Calibrator value) {
    calibrator() = std::move(value);
}

QList<int> TfrxPreviewWindow::chosenPages() const {
    int first = 0, last = static_cast<int>(pages_.size());
    switch (printer_.printRange()) {
    case QPrinter::CurrentPage:
        first = current_;
        last = pages_.isEmpty() ? 0 : current_ + 1;
        break;
    case QPrinter::PageRange:
        first = std::max(printer_.fromPage(), 1) - 1;
        last = std::min(printer_.toPage(), last);
        break;
    default:
        break;
    }
    QList<int> chosen;
    for (int page = first; page < last; ++page)
        chosen.append(page);
    return chosen;
}

QList<int> TfrxPreviewWindow::printedPages() const {
    QList<int> pages(printed_.begin(), printed_.end());
    std::sort(pages.begin(), pages.end());
    return pages;
}

void TfrxPreviewWindow::print() {
    const QList<int> chosenIndexes = chosenPages();
    if (chosenIndexes.isEmpty())
        return;
    QVector<PreparedPage> chosen;
    for (int page : chosenIndexes)
        chosen.append(pages_[page]);
    ProgressDialog printing(this, QStringLiteral("印刷しています"), QStringLiteral("枚"));
    // The dialog's 「ファイルに出力」: that PDF is what a printer would have been sent.
    if (printer_.outputFormat() == QPrinter::PdfFormat && !printer_.outputFileName().isEmpty()) {
        QString error;
        if (!writePdf(printer_.outputFileName(), chosen, &error, printing.progress(),
                      printShift_) &&
            !printing.canceled())
            throw PageFileError(error);
        return;
    }
    // An unknown or stopped queue is told before the cards are written out.
    const QString queue = readyPrintQueue(printer_.printerName());
    const PdfPrintJob job{queue,
                          {},
                          QStringLiteral("VELTA はがき %1 枚").arg(chosen.size()),
                          printer_.copyCount(),
                          printer_.collateCopies()};
    if (printPages(job, chosen, printShift_ + printOffset(queue), printing.progress()))
        printed_.unite(QSet<int>(chosenIndexes.begin(), chosenIndexes.end()));
}

void TfrxPreviewWindow::pageSetup() {
    // The dialog opens on the card's own page and margins; OK without a change moves nothing.
    const PageSetup card = pages_.isEmpty() ? PageSetup{} : pages_[current_].page;
    const QMarginsF own(card.LeftMargin, card.TopMargin, card.RightMargin, card.BottomMargin);
    printer_.setFullPage(false);
    printer_.setPageLayout(QPageLayout(cardPageSize(card), QPageLayout::Portrait,
                                       own + QMarginsF(printShift_.x(), printShift_.y(), 0, 0),
                                       QPageLayout::Millimeter));
    const QMarginsF before = printer_.pageLayout().margins(QPageLayout::Millimeter);
    QPageSetupDialog dialog(&printer_, this);
    if (dialog.exec() == QDialog::Accepted) {
        const QMarginsF after = printer_.pageLayout().margins(QPageLayout::Millimeter);
        printShift_ += QPointF(after.left() - before.left(), after.top() - before.top());
    }
    printer_.setFullPage(true);
}

void TfrxPreviewWindow::openFile(const QString& fileName) {
    ProgressDialog reading(this, QStringLiteral("ページファイルを読み込んでいます"),
                           QStringLiteral("枚"));
    bool stopped = false;
    QVector<PreparedPage> pages = loadPages(fileName, reading.progress(), &stopped);
    if (!stopped) // a stopped reading keeps the cards shown
        setPages(std::move(pages));
}

void TfrxPreviewWindow::saveFile(const QString& fileName) {
    ProgressDialog writing(this, QStringLiteral("ページファイルを保存しています"),
                           QStringLiteral("枚"));
    savePages(withSuffix(fileName, QStringLiteral("vpg")), pages_, writing.progress());
}

void TfrxPreviewWindow::exportPdf(const QString& fileName) {
    QString error;
    ProgressDialog writing(this, QStringLiteral("PDF を書き出しています"), QStringLiteral("枚"));
    if (!writePdf(fileName, pages_, &error, writing.progress()) && !writing.canceled())
        throw PageFileError(error);
}

QList<int> showPreview(const QVector<PreparedPage>& pages, const QStringList& warnings) {
    TfrxPreviewWindow window(pages, warnings);
    window.exec();
    return window.printedPages();
}

} // namespace velta
