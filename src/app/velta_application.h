#pragma once

#include <QApplication>

#include <functional>

namespace velta {

// The one top-level error handler: an exception escaping any handler is shown in an error box
// titled "VELTA", the clean-up hook runs (the data module rolls back and closes), and the
// program keeps running.
class VeltaApplication : public QApplication {
public:
    VeltaApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

    void setErrorCleanup(std::function<void()> cleanup) { cleanup_ = std::move(cleanup); }
    // Shows the error the way the top-level handler does (for errors outside events).
    void reportCurrentException();

private:
    std::function<void()> cleanup_;
};

// Runs a piece of work with the top-level handler's treatment of errors.
template <class Work> void guarded(Work&& work) {
    try {
        work();
    } catch (...) {
        static_cast<VeltaApplication*>(QApplication::instance())->reportCurrentException();
    }
}

} // namespace velta
