#include "shell_open.h"

#include "message_service.h"

#include <QDesktopServices>
#include <QProcess>
#include <QUrl>

namespace velta {
namespace {

std::function<bool(const QString&)>& opener() {
    static std::function<bool(const QString&)> instance = [](const QString& address) {
        return desktopHandles(QStringLiteral("x-scheme-handler/") + QUrl(address).scheme()) &&
               QDesktopServices::openUrl(QUrl(address));
    };
    return instance;
}

} // namespace

bool desktopHandles(const QString& mimeType) {
#ifdef Q_OS_WIN
    Q_UNUSED(mimeType);
    return true;
#else
    // xdg-open "succeeds" even when no program takes the address or file.
    QProcess query;
    query.start(QStringLiteral("xdg-mime"),
                {QStringLiteral("query"), QStringLiteral("default"), mimeType});
    return query.waitForFinished(5000) && !query.readAllStandardOutput().trimmed().isEmpty();
#endif
}

void setShellOpener(std::function<bool(const QString&)> value) {
    opener() = std::move(value);
}

bool shellOpen(const QString& address) {
    if (opener()(address))
        return true;
    MessageService::error(nullptr,
                          QStringLiteral("ブラウザーを起動できませんでした（Web ページを開く"
                                         "プログラムが見つかりません）。\n%1")
                              .arg(address));
    return false;
}

} // namespace velta
