#include "print_spool.h"

#include "errors_platform.h"
#include "page_file.h"

namespace velta {

namespace {

PdfPrintJob spooledIn(PdfPrintJob job, const QTemporaryDir& folder) {
    job.file = folder.filePath(QStringLiteral("cards.pdf"));
    return job;
}

} // namespace

PrintSpool::PrintSpool(const PdfPrintJob& job, QPointF offsetMm)
    : job_(spooledIn(job, folder_)), writer_(job_.file) {
    writer_.setOffset(offsetMm);
}

bool PrintSpool::addPage(const PageSetup& page, const QVector<LaidOutBox>& boxes,
                         const QVector<PagePath>& paths) {
    if (writer_.pageCount() == 0) { // the job goes on the pages' own paper
        job_.paperWidthMm = page.PaperWidth;
        job_.paperHeightMm = page.PaperHeight;
    }
    return writer_.addPage(page, boxes, paths);
}

int PrintSpool::print() {
    if (!folder_.isValid())
        throw PlatformError(QStringLiteral("印刷用の一時フォルダーを作れませんでした。何も印刷"
                                           "していません。\n%1")
                                .arg(folder_.errorString()));
    if (!writer_.finish())
        throw PageFileError(writer_.error());
    return printPdf(job_);
}

int printPages(const PdfPrintJob& job, const QVector<PreparedPage>& pages, QPointF offsetMm,
               const Progress& progress) {
    PrintSpool spool(job, offsetMm);
    for (qsizetype i = 0; i < pages.size(); ++i) {
        if (progress && !progress(i, pages.size()))
            return 0;
        if (!spool.addPage(pages[i]))
            break; // print() reports why
    }
    return spool.print();
}

} // namespace velta
