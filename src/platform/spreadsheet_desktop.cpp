// The spreadsheet application where there is no automation: a workbook file in a temporary
// folder, opened in the user's spreadsheet program.
#include "errors_platform.h"
#include "shell_open.h"
#include "spreadsheet.h"
#include "xlsx_spreadsheet.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

namespace velta {
namespace {

QStringList& exportFolders() {
    static QStringList folders;
    return folders;
}

} // namespace

void removeExportedWorkbooks() {
    for (const QString& folder : std::as_const(exportFolders()))
        QDir(folder).removeRecursively();
    exportFolders().clear();
}

std::unique_ptr<SpreadsheetApplication> platformSpreadsheet(const QString& classId) {
    if (classId != QLatin1String("Excel.Application"))
        throw PlatformError(QStringLiteral("表計算ソフト「%1」は使用できません。").arg(classId));
    QTemporaryDir folder(QDir(QStandardPaths::writableLocation(QStandardPaths::TempLocation))
                             .filePath(QStringLiteral("velta-export-XXXXXX")));
    if (!folder.isValid())
        throw PlatformError(QStringLiteral("一時フォルダーを作成できません。"));
    folder.setAutoRemove(false); // the workbook stays for the spreadsheet program…
    if (exportFolders().isEmpty() && QCoreApplication::instance())
        QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit,
                         &removeExportedWorkbooks);
    exportFolders().append(folder.path()); // …until the program ends
    return std::make_unique<XlsxSpreadsheet>(folder.path(), [](const QString& file) {
        // When no program takes the workbook the user is told where it is.
        return desktopHandles(QStringLiteral(
                   "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet")) &&
               QDesktopServices::openUrl(QUrl::fromLocalFile(file));
    });
}

} // namespace velta
