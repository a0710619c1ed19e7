#include "shell_open.h"

#include "message_service.h"

#include <QDesktopServices>
#include <QUrl>

namespace velta {
namespace {

std::function<bool(const QString&)>& opener() {
    static std::function<bool(const QString&)> instance = [](const QString& address) {
        return QDesktopServices::openUrl(QUrl(address));
    };
    return instance;
}

} // namespace

void setShellOpener(std::function<bool(const QString&)> value) {
    opener() = std::move(value);
}

bool shellOpen(const QString& address) {
    if (opener()(address))
        return true;
    MessageService::error(nullptr,
                          QStringLiteral("ブラウザーを起動できませんでした。\n%1").arg(address));
    return false;
}

} // namespace velta
