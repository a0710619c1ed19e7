#include "aqua_graphite_style.h"
#include "dm.h"
#include "first_paint.h"
#include "font_substitution.h"
#include "message_service.h"
#include "page_model.h"
#include "position_calibration.h"
#include "preview_window.h"
#include "termination.h"
#include "tmenu1.h"
#include "velta_application.h"

#include "connect_settings.h"

#include <QDir>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QLockFile>

#include <QScreen>
#include <cstdio>

int main(int argc, char** argv) {
    using namespace velta;
    TDM* database = nullptr;
    endOnTerminationSignals([&database] {
        if (database)
            database->IBDatabase1.Abandon();
        shutDownDatabaseEngine();
    });
    VeltaApplication application(argc, argv);
    installFontSubstitutions();
    if (!applyAquaGraphiteStyle())
        MessageService::error(
            nullptr, QStringLiteral("表示スタイル「Aqua Graphite」を適用できませんでした。"));

    TfrxReport::setPreviewer(showPreview);
    TfrxPreviewWindow::setCalibrator([](QWidget* parent) {
        PositionCalibrationDialog calibration(parent);
        calibration.exec();
    });

    setDatabaseBusyIndicator([](bool busy) {
        if (busy)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    });
    // The embedded engine lets one program at a time use a database file: a second copy says
    // so once, here, instead of failing at every click.
    const DatabaseLocation location = resolveDatabaseLocation(QDir::currentPath());
    QLockFile instance(location.name + QStringLiteral(".velta-lock"));
    instance.setStaleLockTime(0); // stale only when its program is gone, never by age
    if (location.local && QFileInfo(location.name).exists() && !instance.tryLock(0)) {
        const QString text =
            QStringLiteral("VELTA はすでに起動しています。\n同じデータベース（%1）を使う VELTA "
                           "は一度に一つだけ"
                           "起動できます。先に起動した VELTA をお使いください。")
                .arg(QDir::toNativeSeparators(location.name));
        std::fprintf(stderr, "%s\n", text.toUtf8().constData());
        MessageService::error(nullptr, text);
        return 1;
    }
    // A server user named in connect.ini without a password file is asked once, here.
    setPasswordPrompt([](const QString& user, const QString& database) {
        return QInputDialog::getText(
            nullptr, QStringLiteral("VELTA"),
            QStringLiteral("データベース「%1」に %2 として接続します。\nパスワード:")
                .arg(database, user),
            QLineEdit::Password);
    });
    TDM dm(QDir::currentPath());
    database = &dm;
    application.setErrorCleanup([&dm] { dm.IBDatabase1.Abandon(); });

    Tmenu1 menu(dm);
    if (const QScreen* screen = menu.screen())
        menu.move(screen->availableGeometry().center() - menu.rect().center());
    menu.show();
    menu.finishStartUpWhenShown();
    endAtFirstPaintWhenAsked(menu);

    const int result = application.exec();
    guarded([&dm] { dm.close(); });
    return result;
}
