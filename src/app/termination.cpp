#include "termination.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <pthread.h>
#include <thread>

namespace velta {
namespace {

sigset_t terminationSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaddset(&set, signal);
    return set;
}

} // namespace

void endOnTerminationSignals(std::function<void()> cleanUp) {
    const sigset_t set = terminationSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    std::thread([set, cleanUp = std::move(cleanUp)] {
        int received = 0;
        sigwait(&set, &received);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [cleanUp] {
                if (cleanUp)
                    cleanUp();
                std::_Exit(0);
            },
            Qt::QueuedConnection);
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        std::_Exit(0);
    }).detach();
}

} // namespace velta
