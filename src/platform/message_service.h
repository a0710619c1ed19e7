#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

class QWidget;

namespace velta {

// Every message box of the program goes through here, so tests can answer and record them.
class MessageService {
public:
    enum class Kind { Information, Warning, Error, Confirmation };
    struct Shown {
        Kind kind;
        QString title;
        QString text;
    };
    using Responder = std::function<QMessageBox::StandardButton(const Shown&)>;

    // OK box.
    static void information(QWidget* parent, const QString& text);
    // Error box titled with the application title.
    static void error(QWidget* parent, const QString& text);
    // Warning box with Yes and No; true only for Yes.
    static bool confirm(QWidget* parent, const QString& text);

    // Replaces the real boxes (tests): the responder sees each box and gives the answer.
    static void setResponder(Responder responder);

private:
    static QMessageBox::StandardButton show(QWidget* parent, const Shown& box);
};

} // namespace velta
