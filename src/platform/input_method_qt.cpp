// Input method requests on Linux. Qt's own interface has no conversion modes and fcitx5 ignores
// its hints, so a running fcitx5 is told directly over D-Bus (its Controller1 interface:
// Activate opens the input method of the focused input context, Deactivate closes it). The
// call is asynchronous and made after the focus change has reached fcitx5: a blocking call
// stalls the Qt frontend fcitx5 waits on. Without fcitx5 only Qt's hints are set.
#include "input_method_backend.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QGuiApplication>
#include <QInputMethod>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace velta::ime {
namespace {

bool fcitx5Running() {
    const QByteArray module = qgetenv("QT_IM_MODULE");
    if (module != "fcitx" && module != "fcitx5")
        return false;
    const QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.isConnected() && bus.interface() &&
           bus.interface()->isServiceRegistered(QStringLiteral("org.fcitx.Fcitx5")).value();
}

QDBusMessage controllerCall(const QString& method) {
    return QDBusMessage::createMethodCall(QStringLiteral("org.fcitx.Fcitx5"),
                                          QStringLiteral("/controller"),
                                          QStringLiteral("org.fcitx.Fcitx.Controller1"), method);
}

// Asks fcitx5 to open or close the input method once the field's focus has reached it, while
// the field still has the focus. fcitx5 acts on the input context it last saw focused, and a
// window's first context is made only after its first focus: so the state is read back and
// the request repeated until it holds (State: 1 closed, 2 open), for a second or two at most.
constexpr int kFcitx5Attempts = 12;
constexpr int kFcitx5RetryMs = 150;

void tellFcitx5(QWidget* field, bool open, int attemptsLeft = kFcitx5Attempts) {
    static const bool running = fcitx5Running();
    if (!running || attemptsLeft == 0)
        return;
    QTimer::singleShot(
        attemptsLeft == kFcitx5Attempts ? 0 : kFcitx5RetryMs, field,
        [guarded = QPointer<QWidget>(field), open, attemptsLeft] {
            if (!guarded || !guarded->hasFocus())
                return;
            QDBusConnection bus = QDBusConnection::sessionBus();
            bus.asyncCall(
                controllerCall(open ? QStringLiteral("Activate") : QStringLiteral("Deactivate")));
            auto* watcher = new QDBusPendingCallWatcher(
                bus.asyncCall(controllerCall(QStringLiteral("State"))), guarded);
            QObject::connect(watcher, &QDBusPendingCallWatcher::finished, guarded,
                             [guarded, open, attemptsLeft](QDBusPendingCallWatcher* call) {
                                 call->deleteLater();
                                 const QDBusPendingReply<int> state = *call;
                                 const bool done = state.isValid() && (state.value() == 2) == open;
                                 if (!done && guarded)
                                     tellFcitx5(guarded, open, attemptsLeft - 1);
                             });
        });
}

void enable(QWidget* field, Qt::InputMethodHints hints) {
    field->setAttribute(Qt::WA_InputMethodEnabled, true);
    field->setInputMethodHints(hints);
    if (field->hasFocus())
        QGuiApplication::inputMethod()->update(Qt::ImEnabled | Qt::ImHints);
}

} // namespace

void disable(QWidget* field) {
    if (field->hasFocus())
        QGuiApplication::inputMethod()->commit();
    tellFcitx5(field, false);
    field->setAttribute(Qt::WA_InputMethodEnabled, false);
    if (field->hasFocus())
        QGuiApplication::inputMethod()->update(Qt::ImEnabled);
}

void openNative(QWidget* field, Kana) {
    enable(field, Qt::ImhNone);
    tellFcitx5(field, true);
    if (field->hasFocus())
        QGuiApplication::inputMethod()->show();
}

void close(QWidget* field) {
    enable(field, Qt::ImhPreferLatin);
    tellFcitx5(field, false);
    if (field->hasFocus())
        QGuiApplication::inputMethod()->hide();
}

void setConversion(QWidget* field, unsigned conversion, unsigned) {
    openNative(field, (conversion & kKatakana) ? Kana::Katakana : Kana::Hiragana);
}

} // namespace velta::ime
