#pragma once

#include <QString>
#include <QVector>

namespace velta {

// A print queue of the system's print service (CUPS).
struct PrintQueue {
    QString name;
    QString description; // what the user called it; may be empty
    bool isDefault = false;
};

// The queues there are, the default one first.
QVector<PrintQueue> printQueues();
// The default queue's name; empty when none is set.
QString defaultPrintQueue();

// The queue's name (the default queue's for an empty name) when it exists, runs and takes jobs;
// otherwise throws PlatformError with a Japanese message naming it.
QString readyPrintQueue(const QString& queue);

// A PDF whose pages are already the card's size, for one queue.
struct PdfPrintJob {
    QString queue; // empty: the default queue
    QString file;
    QString title;
    int copies = 1;
    bool collate = true;
    double paperWidthMm = 100, paperHeightMm = 148; // the spool sets its pages' paper
};

// Hands the PDF to the queue on the job's paper (はがき, A4), portrait and unscaled, so every glyph
// lands where the PDF puts it whatever the queue's default paper; returns the job's number. A queue
// that does not exist, is stopped or refuses jobs, and a job the service refuses, throw
// PlatformError with a Japanese message naming the queue; nothing is sent then.
int printPdf(const PdfPrintJob& job);

} // namespace velta
