#include "velta_application.h"

#include "errors.h"
#include "message_service.h"

#include <exception>

namespace velta {

VeltaApplication::VeltaApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("VELTA"));
    setApplicationDisplayName(QStringLiteral("VELTA"));
}

bool VeltaApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        reportCurrentException();
        return true;
    }
}

void VeltaApplication::reportCurrentException() {
    QString text;
    try {
        throw;
    } catch (const DbError& error) {
        text = error.message();
    } catch (const std::exception& error) {
        text = QString::fromUtf8(error.what());
    } catch (...) {
        text = QStringLiteral("予期しないエラーが発生しました。");
    }
    if (cleanup_)
        cleanup_();
    MessageService::error(activeWindow(), text);
}

} // namespace velta
