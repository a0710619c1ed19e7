#pragma once

#include "page_model.h"
#include "page_renderer.h"
#include "pdf_writer.h"
#include "print_queue.h"
#include "progress.h"

#include <QTemporaryDir>

namespace velta {

// Cards on their way to a print queue. They are written as the very PDF that PDF 出力 writes
// (pages of the card's exact size), moved only by the printer's correction, into a temporary
// file, and handed to the queue whole: a run stopped or failed part-way prints nothing.
class PrintSpool {
public:
    // `job.file` is the spool's own; `offsetMm` moves the ink (calibration, margins).
    PrintSpool(const PdfPrintJob& job, QPointF offsetMm);

    bool addPage(const PageSetup& page, const QVector<LaidOutBox>& boxes,
                 const QVector<PagePath>& paths = {});
    bool addPage(const PreparedPage& page) {
        return addPage(page.page, layOutPage(page), page.paths);
    }
    int pageCount() const { return writer_.pageCount(); }
    QString error() const { return writer_.error(); }
    // Completes the PDF and sends it; the job's number. Throws PlatformError when the queue
    // or the job is refused, PageFileError when the PDF cannot be written.
    int print();

private:
    QTemporaryDir folder_;
    PdfPrintJob job_;
    PdfWriter writer_;
};

// Prints the pages through a spool: the preview's 印刷. Returns the job's number, 0 when the
// progress asked to stop (nothing is sent then).
int printPages(const PdfPrintJob& job, const QVector<PreparedPage>& pages, QPointF offsetMm,
               const Progress& progress = {});

} // namespace velta
