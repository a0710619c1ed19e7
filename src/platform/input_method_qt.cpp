// Input method requests through Qt. Qt has no conversion modes, so a kana mode is a request to
// show the input method with non-Latin input preferred, and "off" prefers Latin input.
#include "input_method_backend.h"

#include <QGuiApplication>
#include <QInputMethod>
#include <QWidget>

namespace velta::ime {
namespace {

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
    field->setAttribute(Qt::WA_InputMethodEnabled, false);
    if (field->hasFocus())
        QGuiApplication::inputMethod()->update(Qt::ImEnabled);
}

void openNative(QWidget* field, Kana) {
    enable(field, Qt::ImhNone);
    if (field->hasFocus())
        QGuiApplication::inputMethod()->show();
}

void close(QWidget* field) {
    enable(field, Qt::ImhPreferLatin);
    if (field->hasFocus())
        QGuiApplication::inputMethod()->hide();
}

void setConversion(QWidget* field, unsigned conversion, unsigned) {
    openNative(field, (conversion & kKatakana) ? Kana::Katakana : Kana::Hiragana);
}

} // namespace velta::ime
