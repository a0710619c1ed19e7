#pragma once

#include <QObject>
#include <QString>
#include <QValidator>

#include <functional>

class QLineEdit;
class QWidget;

namespace velta {

// Rewrites what an input method commits into a field before the field sees it; the preedit
// passes as it is. `rewrite` must give its own result back unchanged.
class CommitRewriter : public QObject {
public:
    using Rewrite = std::function<QString(QWidget* field, const QString& commit)>;
    static void install(QWidget* field, Rewrite rewrite);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CommitRewriter(QWidget* field, Rewrite rewrite);
    Rewrite rewrite_;
};

// Discards typed characters outside an allowed set before they reach the field; backspace
// always passes. Text set by the program is not filtered. What an input method commits is
// first folded to the field's form (full-width digits, hyphen-like marks); a character that is
// still not allowed is dropped and named in a tip at the field, never dropped in silence.
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
