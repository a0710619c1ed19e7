// Input method requests through the Windows input method manager.
#include "input_method_backend.h"

#include <QWidget>

#include <imm.h>
#include <windows.h>

namespace velta::ime {
namespace {

HWND windowOf(QWidget* field) {
    return reinterpret_cast<HWND>(field->window()->winId());
}

// Runs a change on the window's input context, releasing it whatever happens.
template <class Change> void withContext(QWidget* field, Change change) {
    const HWND window = windowOf(field);
    HIMC context = ImmGetContext(window);
    if (!context)
        return;
    change(context);
    ImmReleaseContext(window, context);
}

void setKana(QWidget* field, DWORD kanaFlags) {
    field->setAttribute(Qt::WA_InputMethodEnabled, true);
    withContext(field, [&](HIMC context) {
        ImmSetOpenStatus(context, TRUE);
        DWORD conversion = 0, sentence = 0;
        ImmGetConversionStatus(context, &conversion, &sentence);
        conversion &= ~(IME_CMODE_NATIVE | IME_CMODE_KATAKANA | IME_CMODE_FULLSHAPE);
        ImmSetConversionStatus(context, conversion | kanaFlags, sentence);
    });
}

} // namespace

void disable(QWidget* field) {
    field->setAttribute(Qt::WA_InputMethodEnabled, false);
}

void openNative(QWidget* field, Kana kana) {
    setKana(field, kana == Kana::Katakana
                       ? IME_CMODE_NATIVE | IME_CMODE_KATAKANA | IME_CMODE_FULLSHAPE
                       : IME_CMODE_NATIVE | IME_CMODE_FULLSHAPE);
}

void close(QWidget* field) {
    field->setAttribute(Qt::WA_InputMethodEnabled, true);
    withContext(field, [](HIMC context) { ImmSetOpenStatus(context, FALSE); });
}

void setConversion(QWidget* field, unsigned conversion, unsigned sentence) {
    field->setAttribute(Qt::WA_InputMethodEnabled, true);
    withContext(field, [&](HIMC context) {
        ImmSetOpenStatus(context, TRUE);
        ImmSetConversionStatus(context, conversion, sentence);
    });
}

} // namespace velta::ime
