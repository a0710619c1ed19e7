#pragma once

#include "page_model.h"

#include <QDialog>
#include <QPrinter>

class QAction;
class QComboBox;
class QLineEdit;
class QListWidget;
class QScrollArea;
class QSpinBox;
class QTabWidget;

namespace velta {

class PageView;

// Prints pages, one per sheet of the page's own size.
bool printPages(QPrinter& printer, const QVector<PreparedPage>& pages);

// The preview of prepared pages: print, open and save, PDF, find, zoom, side panels, margins,
// navigation; "はがき枠" shows the card's postal-code boxes on screen only.
class TfrxPreviewWindow : public QDialog {
    Q_OBJECT
public:
    explicit TfrxPreviewWindow(QVector<PreparedPage> pages, QWidget* parent = nullptr);
    ~TfrxPreviewWindow() override;

    int currentPage() const { return current_; } // 0-based
    double zoom() const;
    const QVector<PreparedPage>& pages() const { return pages_; }
    QWidget* view() const;

    QAction *actPrint, *actOpen, *actSave, *actPdf, *actFind, *actFindNext, *actFindPrevious,
        *actZoomIn, *actZoomOut, *actWholePage, *actFullScreen, *actOutline, *actThumbnails,
        *actMargins, *actFirst, *actPrevious, *actNext, *actLast, *actFrame, *actClose;
    QComboBox* zoomBox;
    QSpinBox* pageBox;
    QLineEdit* findEdit;
    QListWidget* outline;
    QListWidget* thumbnails;

    void showPage(int index);
    void setZoom(double factor);
    // Finds the text of findEdit; the hits of the shown page are highlighted.
    void find(bool forward);
    // File work behind the toolbar (the dialogs ask for the names).
    void openFile(const QString& fileName);
    void saveFile(const QString& fileName);
    void exportPdf(const QString& fileName);

private:
    void setPages(QVector<PreparedPage> pages);
    void buildToolbar();
    void drawThumbnails();
    bool thumbnailsDrawn_ = false;
    QVector<PreparedPage> pages_;
    int current_ = 0;
    int hit_ = -1;
    PageView* view_;
    QScrollArea* scroll_;
    QTabWidget* sides_;
    QPrinter printer_;
};

// Shows pages in the modal preview (the program's previewer).
void showPreview(const QVector<PreparedPage>& pages);

} // namespace velta
