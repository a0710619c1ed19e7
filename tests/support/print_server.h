#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

namespace velta::test {

// The private CUPS scheduler that scripts/test.sh starts (its socket in VELTA_TEST_CUPS_SERVER),
// with a cups-pdf queue whose PPD defaults to A4. Constructing one points this process's CUPS
// client, and Qt's print dialog, at it.
class PrintServer {
public:
    PrintServer();
    static bool available();
    static QString socket();
    static QString queue() { return QStringLiteral("velta-pdf"); }

    // The newest job the scheduler knows of on that queue; 0 when there is none.
    int lastJob(const QString& queue = PrintServer::queue()) const;
    // Waits until the job is done and moves the PDF cups-pdf wrote for it to `target`; false,
    // with `why`, when the job failed or wrote nothing.
    bool takePrintedPdf(int job, const QString& target, QString* why) const;
    // lpadmin and its kin on the private scheduler only.
    bool admin(const QString& command, const QStringList& arguments) const;
};

// One page of a PDF as a grey image at `dpi`.
QImage rasterize(const QString& pdf, int page, int dpi = 600);

} // namespace velta::test
