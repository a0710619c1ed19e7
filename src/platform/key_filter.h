#pragma once

#include <QObject>
#include <QString>
#include <QValidator>

class QLineEdit;

namespace velta {

// Discards typed characters outside an allowed set before they reach the field; backspace
// always passes. Text set by the program is not filtered.
class KeyFilter : public QObject {
public:
    static void install(QLineEdit* field, const QString& allowed);
    static bool accepts(const QString& allowed, QChar typed);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    KeyFilter(QLineEdit* field, const QString& allowed);
    QString allowed_;
};

// The same rule as a validator, for an editor whose program-set text is always allowed too:
// every route of input is filtered, also keys a combo box forwards to its editor without
// passing event filters, and input-method commits (disallowed characters are dropped).
class AllowedCharacters : public QValidator {
public:
    AllowedCharacters(const QString& allowed, QObject* parent)
        : QValidator(parent), allowed_(allowed) {}
    State validate(QString& input, int& position) const override;

private:
    QString allowed_;
};

} // namespace velta
