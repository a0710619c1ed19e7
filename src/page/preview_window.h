#pragma once

#include "page_model.h"
#include "progress.h"

#include <QDialog>
#include <QPrinter>
#include <QSet>

#include <functional>

class QAction;
class QComboBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QListView;
class QScrollArea;
class QSpinBox;
class QTabWidget;

namespace velta {

class PageView;

// The preview of prepared pages: print, open and save, PDF, find, zoom, side panels, margins,
// navigation; "はがき枠" shows the card's postal-code boxes on screen only.
class TfrxPreviewWindow : public QDialog {
    Q_OBJECT
public:
    // Warnings (texts that do not fit their boxes) stand above the page until printing.
    explicit TfrxPreviewWindow(QVector<PreparedPage> pages, const QStringList& warnings = {},
                               QWidget* parent = nullptr);
    ~TfrxPreviewWindow() override;

    int currentPage() const { return current_; } // 0-based
    double zoom() const;
    const QVector<PreparedPage>& pages() const { return pages_; }
    QWidget* view() const;

    QAction *actPrint, *actOpen, *actSave, *actPdf, *actFind, *actFindNext, *actFindPrevious,
        *actZoomIn, *actZoomOut, *actWholePage, *actFullScreen, *actOutline, *actThumbnails,
        *actMargins, *actCalibrate, *actFirst, *actPrevious, *actNext, *actLast, *actFrame,
        *actClose;
    QComboBox* zoomBox;
    QSpinBox* pageBox;
    QLineEdit* findEdit;
    QListView* outline;    // 「1. 山田 太郎 様」 per page
    QListView* thumbnails; // pages drawn small when in view; Qt::UserRole: drawn and kept
    QLabel* warningLabel;

    void showPage(int index);
    void setZoom(double factor);
    // Finds the text of findEdit; the hits of the shown page are highlighted.
    void find(bool forward);
    // File work behind the toolbar (the dialogs ask for the names).
    void openFile(const QString& fileName);
    void saveFile(const QString& fileName);
    void exportPdf(const QString& fileName);
    // Prints the pages the print dialog chose on the queue it chose, as PDF 出力 writes them,
    // moved by the queue's calibration and 余白; or, when the dialog chose a file, writes that
    // PDF. 余白's page setup opens on the card's page.
    void print();
    void pageSetup();
    QPrinter& printer() { return printer_; }
    // The pages sent to a printer while the window was open (0-based, ascending, each once).
    QList<int> printedPages() const;
    // What 位置調整 opens (set by the program, which knows the card layouts).
    using Calibrator = std::function<void(QWidget* parent)>;
    static void setCalibrator(Calibrator calibrator);

private:
    void setPages(QVector<PreparedPage> pages);
    void buildToolbar();
    class OutlineModel;
    class ThumbnailModel;
    OutlineModel* outlineModel_;
    ThumbnailModel* thumbnailModel_;
    void keyPressEvent(QKeyEvent* event) override;
    QVector<PreparedPage> pages_;
    int current_ = 0;
    int hit_ = -1;
    PageView* view_;
    QScrollArea* scroll_;
    QTabWidget* sides_;
    QPrinter printer_;
    QPointF printShift_; // mm, from the margins changed in 余白
    QList<int> chosenPages() const;
    QSet<int> printed_;
};

// Shows pages in the modal preview (the program's previewer); the pages printed from it.
QList<int> showPreview(const QVector<PreparedPage>& pages, const QStringList& warnings);

} // namespace velta
