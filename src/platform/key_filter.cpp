#include "key_filter.h"

#include "kana.h"

#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolTip>

namespace velta {

KeyFilter::KeyFilter(QLineEdit* field, const QString& allowed)
    : QObject(field), allowed_(allowed) {}

CommitRewriter::CommitRewriter(QWidget* field, Rewrite rewrite)
    : QObject(field), rewrite_(std::move(rewrite)) {}

void CommitRewriter::install(QWidget* field, Rewrite rewrite) {
    field->installEventFilter(new CommitRewriter(field, std::move(rewrite)));
}

bool CommitRewriter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::InputMethod)
        return false;
    auto* input = static_cast<QInputMethodEvent*>(event);
    if (input->commitString().isEmpty())
        return false;
    const QString commit = rewrite_(static_cast<QWidget*>(watched), input->commitString());
    if (commit == input->commitString())
        return false;
    QInputMethodEvent rewritten(input->preeditString(), input->attributes());
    rewritten.setCommitString(commit, input->replacementStart(), input->replacementLength());
    QCoreApplication::sendEvent(watched, &rewritten);
    return true;
}

void KeyFilter::install(QLineEdit* field, const QString& allowed) {
    field->installEventFilter(new KeyFilter(field, allowed));
    CommitRewriter::install(field, [allowed](QWidget* target, const QString& commit) {
        QString kept, dropped; // dropped as committed, so the tip names what the user saw
        const QString folded = foldForNumberField(commit); // one character for one
        for (qsizetype i = 0; i < commit.size(); ++i) {
            if (accepts(allowed, folded[i]))
                kept += folded[i];
            else
                dropped += commit[i];
        }
        if (!dropped.isEmpty())
            QToolTip::showText(
                target->mapToGlobal(QPoint(0, target->height())),
                QStringLiteral("「%1」は入力できません（入力できるのは「%2」です）。")
                    .arg(dropped, allowed),
                target);
        return kept;
    });
}

bool KeyFilter::accepts(const QString& allowed, QChar typed) {
    return typed == QChar(8) || allowed.contains(typed);
}

bool KeyFilter::eventFilter(QObject*, QEvent* event) {
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
