#pragma once

#include <QObject>
#include <QString>

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

} // namespace velta
