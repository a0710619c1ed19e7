// The program ends on SIGTERM, SIGINT and SIGHUP within two seconds with status 0, whether it
// is starting up or idle, and its database opens again afterwards.
#include "dm.h"
#include "schema.h"
#include "test_database.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

using namespace velta;

namespace {

// Whether the program's main thread holds the termination signals for its handler (it does so
// first thing in main): before that, on a loaded machine, a signal meets the default action.
bool handlesSignals(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("SigBlk:"))
            return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (SIGTERM - 1)) & 1;
    return false;
}

void startProgram(QProcess& program, const QTemporaryDir& work) {
    program.setWorkingDirectory(work.path());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    program.setProcessEnvironment(environment);
    program.start(VELTA_PATH, {});
    ASSERT_TRUE(program.waitForStarted());
}

} // namespace

TEST(Termination, SecondCopyOnTheSameDatabaseSaysSoAtStartUp) {
    QTemporaryDir work;
    velta::test::makeWorkingFolder(work.path());
    QProcess first, second;
    startProgram(first, work);
    QThread::msleep(800);
    startProgram(second, work);
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 10000 && !second.readAllStandardError().contains("VELTA はすでに起動"))
        second.waitForReadyRead(200);
    EXPECT_LT(timer.elapsed(), 10000);
    for (QProcess* program : {&first, &second}) {
        program->terminate();
        EXPECT_TRUE(program->waitForFinished(5000));
    }
}

TEST(Termination, SignalsEndTheProgramWithinTwoSecondsAndLeaveTheDatabaseWhole) {
    QTemporaryDir work;
    velta::test::makeWorkingFolder(work.path());
    const struct {
        int signal;
        unsigned long after; // ms after the start; the first while start-up reads the database
    } cases[] = {{SIGTERM, 150}, {SIGTERM, 1500}, {SIGINT, 1500}, {SIGHUP, 1500}, {SIGINT, 250}};
    for (const auto& c : cases) {
        QProcess program;
        QElapsedTimer started;
        started.start();
        startProgram(program, work);
        while (!handlesSignals(program.processId()) && started.elapsed() < 10000)
            QThread::msleep(5);
        QThread::msleep(static_cast<unsigned long>(
            std::max<qint64>(0, static_cast<qint64>(c.after) - started.elapsed())));
        ASSERT_EQ(program.state(), QProcess::Running)
            << program.readAllStandardError().toStdString();
        QElapsedTimer timer;
        timer.start();
        ::kill(static_cast<pid_t>(program.processId()), c.signal);
        ASSERT_TRUE(program.waitForFinished(5000)) << "signal " << c.signal;
        EXPECT_LT(timer.elapsed(), 2000) << "signal " << c.signal;
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << "signal " << c.signal;
        EXPECT_EQ(program.exitCode(), 0) << "signal " << c.signal;

        TDM dm(work.path());
        EXPECT_EQ(readInteger(dm, "select count(*) as N from MST_KOKYAKU", "N"), 0);
        dm.close();
    }
}
