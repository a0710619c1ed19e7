#include "message_service.h"

#include <QApplication>

namespace velta {
namespace {

MessageService::Responder& responder() {
    static MessageService::Responder instance;
    return instance;
}

} // namespace

void MessageService::setResponder(Responder value) {
    responder() = std::move(value);
}

QMessageBox::StandardButton MessageService::show(QWidget* parent, const Shown& box) {
    if (responder())
        return responder()(box);
    switch (box.kind) {
    case Kind::Information:
        return QMessageBox::information(parent, box.title, box.text);
    case Kind::Warning:
        return QMessageBox::warning(parent, box.title, box.text);
    case Kind::Error:
        return QMessageBox::critical(parent, box.title, box.text);
    case Kind::Confirmation:
        return QMessageBox::warning(parent, box.title, box.text, QMessageBox::Yes | QMessageBox::No,
                                    QMessageBox::No);
    }
    return QMessageBox::NoButton;
}

void MessageService::information(QWidget* parent, const QString& text) {
    show(parent, {Kind::Information, QApplication::applicationDisplayName(), text});
}

void MessageService::error(QWidget* parent, const QString& text) {
    show(parent, {Kind::Error, QApplication::applicationDisplayName(), text});
}

bool MessageService::confirm(QWidget* parent, const QString& text) {
    return show(parent, {Kind::Confirmation, QApplication::applicationDisplayName(), text}) ==
           QMessageBox::Yes;
}

} // namespace velta
