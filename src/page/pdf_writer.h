#pragma once

#include "page_model.h"
#include "page_renderer.h"
#include "progress.h"

#include <QString>
#include <QVector>

#include <memory>

namespace velta {

// Writes a PDF page by page, so a run of any length needs the memory of a few dozen pages at
// most (and the fonts' subsets). Nothing replaces the target until finish() succeeds; a writer
// destroyed unfinished (a failure, a cancel) leaves the old file as it was.
class PdfWriter {
public:
    explicit PdfWriter(const QString& fileName);
    ~PdfWriter();
    PdfWriter(const PdfWriter&) = delete;
    PdfWriter& operator=(const PdfWriter&) = delete;

    // Moves everything drawn (not the page) by this many millimetres right and down: a
    // printer's calibration. PDF 出力 leaves it at zero.
    void setOffset(QPointF mm) { offset_ = mm; }
    // Pages are drawn on a thread of their own from here on while the caller makes the next
    // (a long run keeps both cores busy). A page that cannot be drawn shows at a later addPage
    // or at finish, which waits for the drawing.
    void drawInBackground();
    // False, with error() set, when the page cannot be written.
    bool addPage(const PageSetup& page, const QVector<LaidOutBox>& boxes,
                 const QVector<PagePath>& paths = {});
    bool addPage(const PreparedPage& page) {
        return addPage(page.page, layOutPage(page), page.paths);
    }
    int pageCount() const { return pages_; }
    // Completes the file and puts it in place of the target.
    bool finish();
    // 「PDF「…」を書き出せませんでした。元のファイルはそのままです。」 and the reason.
    QString error() const { return error_; }

private:
    struct Drawing; // a page as cairo draws it
    bool fail(const QString& why);
    bool open(const PageSetup& page);
    bool draw(const Drawing& page, QString* why);
    bool handOver();
    void stopDrawing(); // waits for the pages given; their failure becomes error()
    struct Surface;
    struct Background;
    QString fileName_, error_;
    std::unique_ptr<Surface> surface_;
    std::unique_ptr<Background> background_;
    int pages_ = 0;
    QPointF offset_;
};

// Writes pages to a PDF, each page exactly its paper's size, the text as glyph runs that carry
// the characters they show (so a reader can search and copy it), fonts embedded as subsets.
// The file is written beside the target and renamed over it only when it is whole; on failure
// the old file is kept and `error` says why in Japanese. A progress that asks to stop leaves
// the old file too (error: 「中止しました。…」).
// `offsetMm` moves the ink, for a PDF that stands in for a printer (the print dialog's file).
bool writePdf(const QString& fileName, const QVector<PreparedPage>& pages, QString* error = nullptr,
              const Progress& progress = {}, QPointF offsetMm = {});

} // namespace velta
