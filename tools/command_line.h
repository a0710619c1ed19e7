#pragma once

#include <QCoreApplication>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <unistd.h>

// Tells a failure on the standard error as 「velta-book: …」 and gives the exit status
// (1 for a failure, 2 for bad usage).
inline int failure(const QString& message, int status = 1) {
    std::fprintf(stderr, "%s: %s\n", QCoreApplication::applicationName().toUtf8().constData(),
                 message.toUtf8().constData());
    return status;
}

// What a tool says when the memory runs out: a message and status 1, never an abort.
inline QString outOfMemory() {
    return QStringLiteral("メモリが足りません。処理を中止しました。何も書き込んでいません。");
}

// 「作成中 1234 / 10000 枚」 on the terminal, redrawn in place about every 1 %; nothing when the
// standard error is not a terminal (a log, a pipe).
class TerminalProgress {
public:
    TerminalProgress(qint64 total, const QString& doing, const QString& unit)
        : total_(total), doing_(doing.toUtf8()), unit_(unit.toUtf8()),
          shown_(isatty(STDERR_FILENO) == 1) {}
    ~TerminalProgress() { done(); }
    TerminalProgress(const TerminalProgress&) = delete;
    TerminalProgress& operator=(const TerminalProgress&) = delete;

    void setTotal(qint64 total) { total_ = total; }
    void step(qint64 done) {
        if (shown_ && (done == total_ || done - last_ >= std::max<qint64>(1, total_ / 100))) {
            last_ = done;
            std::fprintf(stderr, "\r%s %lld / %lld %s", doing_.constData(),
                         static_cast<long long>(done), static_cast<long long>(total_),
                         unit_.constData());
            std::fflush(stderr);
            drawn_ = true;
        }
    }
    void done() {
        if (drawn_)
            std::fputs("\n", stderr);
        drawn_ = false;
    }

private:
    qint64 total_, last_ = 0;
    QByteArray doing_, unit_;
    bool shown_, drawn_ = false;
};
