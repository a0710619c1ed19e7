#include "first_paint.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <unistd.h>

namespace velta {
namespace {

// Calls its work, after the event loop has finished the first paint of the window it watches.
class FirstPaint : public QObject {
public:
    FirstPaint(QWidget& window, std::function<void()> work)
        : QObject(&window), work_(std::move(work)) {
        window.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, parent(), std::move(work_)); // after the paint and its flush
            deleteLater();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> work_;
};

} // namespace

void afterFirstPaint(QWidget& window, std::function<void()> work) {
    new FirstPaint(window, std::move(work));
}

void endAtFirstPaintWhenAsked(QWidget& window) {
    if (qEnvironmentVariableIsSet("VELTA_END_AT_FIRST_PAINT"))
        afterFirstPaint(window, [] {
            std::fflush(nullptr);
            _exit(0);
        });
}

} // namespace velta
