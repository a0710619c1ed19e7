#include "key_filter.h"

#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>

namespace velta {

KeyFilter::KeyFilter(QLineEdit* field, const QString& allowed)
    : QObject(field), allowed_(allowed) {}

void KeyFilter::install(QLineEdit* field, const QString& allowed) {
    field->installEventFilter(new KeyFilter(field, allowed));
}

bool KeyFilter::accepts(const QString& allowed, QChar typed) {
    return typed == QChar(8) || allowed.contains(typed);
}

bool KeyFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        // Editing and navigation keys (arrows, Tab, Enter, shortcuts) are not typed characters,
        // and the field inserts no control character itself.
        if (key->key() == Qt::Key_Backspace || key->text().isEmpty() ||
            key->text().at(0) < QChar(0x20) ||
            (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
            return false;
        for (QChar typed : key->text())
            if (!accepts(allowed_, typed))
                return true;
        return false;
    }
    if (event->type() == QEvent::InputMethod) {
        // Text committed by an input method is typed text too.
        auto* input = static_cast<QInputMethodEvent*>(event);
        QString kept;
        for (QChar typed : input->commitString())
            if (accepts(allowed_, typed))
                kept += typed;
        if (kept == input->commitString() && input->preeditString().isEmpty())
            return false;
        QInputMethodEvent filtered;
        filtered.setCommitString(kept);
        QCoreApplication::sendEvent(watched, &filtered);
        return true;
    }
    return false;
}

QValidator::State AllowedCharacters::validate(QString& input, int& position) const {
    QString kept;
    int keptBeforeCursor = 0;
    for (int i = 0; i < input.size(); ++i)
        if (KeyFilter::accepts(allowed_, input.at(i))) {
            kept += input.at(i);
            if (i < position)
                ++keptBeforeCursor;
        }
    input = kept;
    position = keptBeforeCursor;
    return Acceptable;
}

} // namespace velta
