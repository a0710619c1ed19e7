#include "print_server.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <cups/cups.h>
#include <pwd.h>
#include <unistd.h>

namespace velta::test {
namespace {

// Where cups-pdf puts a user's files: the Out line of its configuration, ${HOME} and ${USER}
// being the job owner's (this process's user).
QString cupsPdfFolder() {
    QString out = QStringLiteral("${HOME}/PDF");
    QFile config(QStringLiteral("/etc/cups/cups-pdf.conf"));
    if (config.open(QIODevice::ReadOnly))
        for (const QString& line : QString::fromUtf8(config.readAll()).split(QLatin1Char('\n')))
            if (line.startsWith(QLatin1String("Out ")))
                out = line.mid(4).trimmed();
    const passwd* user = getpwuid(getuid());
    out.replace(QLatin1String("${HOME}"), QString::fromLocal8Bit(user ? user->pw_dir : ""));
    out.replace(QLatin1String("${USER}"), QString::fromLocal8Bit(user ? user->pw_name : ""));
    return out;
}

struct JobState {
    ipp_jstate_t state = IPP_JSTATE_PENDING;
    time_t created = 0;
};

JobState jobState(int job) {
    cups_job_t* jobs = nullptr;
    const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, nullptr, 0, CUPS_WHICHJOBS_ALL);
    JobState found;
    for (int i = 0; i < count; ++i)
        if (jobs[i].id == job)
            found = {jobs[i].state, jobs[i].creation_time};
    cupsFreeJobs(count, jobs);
    return found;
}

} // namespace

PrintServer::PrintServer() {
    qputenv("CUPS_SERVER", socket().toLocal8Bit());
    cupsSetServer(socket().toLocal8Bit().constData());
}

bool PrintServer::available() {
    return !socket().isEmpty();
}

QString PrintServer::socket() {
    return qEnvironmentVariable("VELTA_TEST_CUPS_SERVER");
}

int PrintServer::lastJob(const QString& queue) const {
    cups_job_t* jobs = nullptr;
    const int count =
        cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queue.toUtf8().constData(), 0, CUPS_WHICHJOBS_ALL);
    int last = 0;
    for (int i = 0; i < count; ++i)
        last = std::max(last, jobs[i].id);
    cupsFreeJobs(count, jobs);
    return last;
}

bool PrintServer::takePrintedPdf(int job, const QString& target, QString* why) const {
    QElapsedTimer clock;
    clock.start();
    JobState state = jobState(job);
    while (state.state < IPP_JSTATE_STOPPED && clock.elapsed() < 60000) {
        QThread::msleep(100);
        state = jobState(job);
    }
    if (state.state != IPP_JSTATE_COMPLETED) {
        *why = QStringLiteral("job %1 ended in state %2").arg(job).arg(int(state.state));
        return false;
    }
    // Job numbers start again with every scheduler: older files of the same number are not ours.
    const QDir folder(cupsPdfFolder());
    QStringList made;
    for (const QFileInfo& file : folder.entryInfoList(
             {QStringLiteral("*job_%1.pdf").arg(job), QStringLiteral("job_%1-*.pdf").arg(job)},
             QDir::Files))
        if (file.lastModified().toSecsSinceEpoch() >= qint64(state.created) - 1)
            made.append(file.fileName());
    if (made.size() != 1) {
        *why = QStringLiteral("cups-pdf left %1 files for job %2 in %3")
                   .arg(made.size())
                   .arg(job)
                   .arg(folder.path());
        return false;
    }
    QFile::remove(target);
    if (!QFile::copy(folder.filePath(made.first()), target) ||
        !QFile::remove(folder.filePath(made.first()))) {
        *why = QStringLiteral("cannot move %1").arg(made.first());
        return false;
    }
    return true;
}

bool PrintServer::admin(const QString& command, const QStringList& arguments) const {
    QProcess tool;
    tool.start(command, QStringList{QStringLiteral("-h"), socket()} + arguments);
    return tool.waitForFinished(30000) && tool.exitStatus() == QProcess::NormalExit &&
           tool.exitCode() == 0;
}

QImage rasterize(const QString& pdf, int page, int dpi) {
    QTemporaryDir folder;
    const QString stem = folder.filePath(QStringLiteral("page"));
    QProcess render;
    render.setStandardErrorFile(QProcess::nullDevice()); // cups-pdf's Type 3 fonts draw warnings
    render.start(QStringLiteral("pdftoppm"),
                 {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-gray"),
                  QStringLiteral("-png"), QStringLiteral("-singlefile"), QStringLiteral("-f"),
                  QString::number(page), QStringLiteral("-l"), QString::number(page), pdf, stem});
    render.waitForFinished(60000);
    return QImage(stem + QStringLiteral(".png"));
}

} // namespace velta::test
