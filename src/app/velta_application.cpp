#include "velta_application.h"

#include "errors.h"
#include "message_service.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <exception>

namespace velta {

VeltaApplication::VeltaApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("VELTA"));
    // No display name: Qt would append " — VELTA" to every caption, and the captions are the
    // windows' own (宛名印刷ソフト, 宛名一覧, …). The error box is titled "VELTA" itself.
    // Qt's own dialogs and buttons (はい / いいえ, the file, print and page-setup dialogs) speak
    // Japanese like the rest of the program.
    const QLocale japanese(QLocale::Japanese, QLocale::Japan);
    QLocale::setDefault(japanese);
    auto* translator = new QTranslator(this);
    if (translator->load(japanese, QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        installTranslator(translator);
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
    } catch (const std::bad_alloc&) {
        text = QStringLiteral("メモリが足りません。この操作を中止しました。");
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
