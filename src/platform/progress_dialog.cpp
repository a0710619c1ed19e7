#include "progress_dialog.h"

#include <QCoreApplication>
#include <QProgressDialog>
#include <QThread>

#include <atomic>
#include <exception>
#include <thread>

namespace velta {
namespace {

int& showAfter() {
    static int milliseconds = 1000;
    return milliseconds;
}

constexpr int kUpdateEveryMs = 50;

} // namespace

ProgressDialog::ProgressDialog(QWidget* parent, const QString& label, const QString& unit)
    : parent_(parent), label_(label), unit_(unit) {
    started_.start();
}

ProgressDialog::~ProgressDialog() = default;

void ProgressDialog::setShowAfter(int milliseconds) {
    showAfter() = milliseconds;
}

Progress ProgressDialog::progress() {
    return [this](qint64 done, qint64 total) { return step(done, total); };
}

bool ProgressDialog::step(qint64 done, qint64 total) {
    if (canceled_)
        return false;
    if (!dialog_) {
        if (started_.elapsed() < showAfter())
            return true;
        dialog_ = std::make_unique<QProgressDialog>(parent_);
        dialog_->setWindowTitle(QStringLiteral("VELTA"));
        dialog_->setCancelButtonText(QStringLiteral("中止"));
        dialog_->setWindowModality(Qt::WindowModal);
        dialog_->setAutoClose(false);
        dialog_->setAutoReset(false);
        dialog_->setMinimumDuration(0);
        dialog_->show();
        updated_.invalidate();
    }
    if (updated_.isValid() && updated_.elapsed() < kUpdateEveryMs)
        return true;
    updated_.start();
    // Large counts are shown in thousands: the bar's range is an int.
    const int scale = total > 1000000 ? 1000 : 1;
    dialog_->setMaximum(total < 0 ? 0 : static_cast<int>(total / scale));
    dialog_->setLabelText(
        total < 0
            ? QStringLiteral("%1…（%2 %3）").arg(label_).arg(done).arg(unit_)
            : QStringLiteral("%1…（%2 / %3 %4）").arg(label_).arg(done).arg(total).arg(unit_));
    dialog_->setValue(static_cast<int>(done / scale));
    QCoreApplication::processEvents();
    canceled_ = dialog_->wasCanceled();
    return !canceled_;
}

bool runAside(QWidget* parent, const QString& label, const std::function<void()>& work) {
    struct State {
        std::atomic<bool> done{false};
        std::exception_ptr error;
    };
    auto state = std::make_shared<State>();
    std::thread([state, work] {
        try {
            work();
        } catch (...) {
            state->error = std::current_exception();
        }
        state->done = true;
    }).detach(); // after 中止 it ends on its own; only `state` outlives this call
    ProgressDialog progress(parent, label, QStringLiteral("秒"));
    QElapsedTimer clock;
    clock.start();
    while (!state->done) {
        if (!progress.step(clock.elapsed() / 1000, -1))
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    if (state->error)
        std::rethrow_exception(state->error);
    return true;
}

} // namespace velta
