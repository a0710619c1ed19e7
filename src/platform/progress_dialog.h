#pragma once

#include "progress.h"

#include <QElapsedTimer>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QProgressDialog;
class QWidget;

namespace velta {

// The progress of one piece of work in a window: a window-modal dialog with 「中止」 that
// appears only when the work goes on for over a second. The work runs on the window's own
// thread and calls progress() as it goes; after 中止 it returns false, and the work stops
// without keeping anything half done.
class ProgressDialog {
public:
    // label: what is being done, e.g. 「宛名を読み込んでいます」; unit: what is counted.
    ProgressDialog(QWidget* parent, const QString& label,
                   const QString& unit = QStringLiteral("件"));
    ~ProgressDialog();

    Progress progress();
    bool canceled() const { return canceled_; }

    // How long work runs before the dialog appears (tests set 0).
    static void setShowAfter(int milliseconds);

    bool step(qint64 done, qint64 total);

private:
    QWidget* parent_;
    QString label_, unit_;
    std::unique_ptr<QProgressDialog> dialog_;
    QElapsedTimer started_, updated_;
    bool canceled_ = false;
};

// Runs `work` on a thread of its own while the window's thread keeps drawing and answering:
// the progress dialog (「中止」) appears after the usual second. 中止 returns at once with
// nothing, and the work's result, when it comes, is dropped (work that only reads and makes
// values, never writes). An exception of the work is thrown here. False when stopped.
bool runAside(QWidget* parent, const QString& label, const std::function<void()>& work);

template <class T>
std::optional<T> runAside(QWidget* parent, const QString& label, std::function<T()> work) {
    auto result = std::make_shared<std::optional<T>>();
    if (!runAside(parent, label, [result, work] { *result = work(); }))
        return std::nullopt;
    return std::move(*result);
}

} // namespace velta
