// Input method requests on Linux. Qt's own interface has no conversion modes and fcitx5 ignores
// its hints, so a running fcitx5 is told directly over D-Bus (its Controller1 interface:
// Activate opens the input method of the focused input context, Deactivate closes it). The
// call is asynchronous and made after the focus change has reached fcitx5: a blocking call
// stalls the Qt frontend fcitx5 waits on. Without fcitx5 only Qt's hints are set.
#include "input_method_backend.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
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

// Asks fcitx5 to open or close the input method once the field's focus has reached it, if the
// field still has the focus then.
void tellFcitx5(QWidget* field, bool open) {
    static const bool running = fcitx5Running();
    if (!running)
        return;
    QTimer::singleShot(0, field, [guarded = QPointer<QWidget>(field), open] {
        if (!guarded || !guarded->hasFocus())
            return;
        QDBusConnection::sessionBus().asyncCall(QDBusMessage::createMethodCall(
            QStringLiteral("org.fcitx.Fcitx5"), QStringLiteral("/controller"),
            QStringLiteral("org.fcitx.Fcitx.Controller1"),
            open ? QStringLiteral("Activate") : QStringLiteral("Deactivate")));
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
