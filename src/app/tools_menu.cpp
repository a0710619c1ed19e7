#include "tools_menu.h"

#include "message_service.h"
#include "postal_dictionary.h"
#include "progress_dialog.h"

#include <QAction>
#include <QFileDialog>
#include <QMainWindow>
#include <QMenuBar>

namespace velta {

ToolsMenu::ToolsMenu(QMainWindow* window, TDM& dm) : QObject(window), window_(window), dm_(dm) {
    QMenu* tools = window->menuBar()->addMenu(QStringLiteral("ツール"));
    tools->setObjectName(QStringLiteral("menuTools"));
    actImportPostal = tools->addAction(QStringLiteral("郵便番号辞書の取り込み…"));
    actImportPostal->setObjectName(QStringLiteral("actImportPostal"));
    connect(actImportPostal, &QAction::triggered, this, [this] {
        const QString file = QFileDialog::getOpenFileName(
            window_, QStringLiteral("日本郵便の郵便番号データ"), QString(),
            QStringLiteral("郵便番号データ (*.zip *.csv *.CSV *.ZIP);;すべてのファイル (*)"));
        if (!file.isEmpty())
            importPostal(file);
    });
}

void ToolsMenu::importPostal(const QString& fileName) {
    ProgressDialog progress(window_, QStringLiteral("郵便番号辞書を取り込んでいます"),
                            QStringLiteral("%"));
    const int towns = importPostalFile(dm_, fileName, progress.progress());
    if (towns < 0)
        MessageService::information(window_,
                                    QStringLiteral("取り込みを中止しました。辞書は元のままです。"));
    else
        MessageService::information(
            window_, QStringLiteral("%1 件の町域を郵便番号辞書に取り込みました。").arg(towns));
}

} // namespace velta
