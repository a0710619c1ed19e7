#include "tools_menu.h"

#include "book_exchange.h"
#include "dm.h"
#include "import_dialog.h"
#include "message_service.h"
#include "postal_dictionary.h"
#include "progress_dialog.h"
#include "schema.h"

#include <QAction>
#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QMainWindow>
#include <QMenuBar>

#include <functional>

namespace velta {

namespace {

// A progress of bytes read shown in percent.
Progress percentOf(Progress progress) {
    return [progress](qint64 done, qint64 total) {
        return progress(total > 0 ? done * 100 / total : 0, 100);
    };
}

QAction* addAction(QMenu* menu, QObject* owner, const char* name, const QString& caption,
                   const std::function<void()>& triggered) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    QObject::connect(action, &QAction::triggered, owner, triggered);
    return action;
}

} // namespace

ToolsMenu::ToolsMenu(QMainWindow* window, TDM& dm) : QObject(window), window_(window), dm_(dm) {
    QMenu* tools = window->menuBar()->addMenu(QStringLiteral("ツール"));
    tools->setObjectName(QStringLiteral("menuTools"));
    // Each entry asks for its file; a cancelled dialog does nothing.
    actImportPostal = addAction(
        tools, this, "actImportPostal", QStringLiteral("郵便番号辞書の取り込み…"), [this] {
            if (const QString file = QFileDialog::getOpenFileName(
                    window_, QStringLiteral("日本郵便の郵便番号データ"), QString(),
                    QStringLiteral(
                        "郵便番号データ (*.zip *.csv *.CSV *.ZIP);;すべてのファイル (*)"));
                !file.isEmpty())
                importPostal(file);
        });
    tools->addSeparator();
    actExportBook =
        addAction(tools, this, "actExportBook", QStringLiteral("宛名を CSV に書き出す…"), [this] {
            // The chosen filter says the encoding; a name without a suffix gets .csv.
            const QString utf8 = QStringLiteral("CSV（UTF-8） (*.csv)");
            QString filter = utf8;
            QString file = QFileDialog::getSaveFileName(
                window_, QStringLiteral("宛名の書き出し"), QStringLiteral("宛名.csv"),
                utf8 + QStringLiteral(";;CSV（Shift-JIS） (*.csv)"), &filter);
            if (file.isEmpty())
                return;
            if (QFileInfo(file).suffix().isEmpty())
                file += QStringLiteral(".csv");
            exportBook(file, filter != utf8);
        });
    actImportBook = addAction(
        tools, this, "actImportBook", QStringLiteral("宛名を取り込む（CSV・vCard）…"), [this] {
            if (const QString file = QFileDialog::getOpenFileName(
                    window_, QStringLiteral("宛名の取り込み"), QString(),
                    QStringLiteral("CSV・vCard (*.csv *.vcf *.txt);;すべてのファイル (*)"));
                !file.isEmpty())
                importBook(file);
        });
    tools->addSeparator();
    actCopyToUtf8 = addAction(tools, this, "actCopyToUtf8",
                              QStringLiteral("UTF8 のデータベースに写す…"), [this] {
                                  if (const QString file = QFileDialog::getSaveFileName(
                                          window_, QStringLiteral("新しい UTF8 のデータベース"),
                                          QStringLiteral("DATA_UTF8.GDB"),
                                          QStringLiteral("データベース (*.GDB *.FDB *.gdb *.fdb)"));
                                      !file.isEmpty())
                                      copyToUtf8(file);
                              });
}

void ToolsMenu::copyToUtf8(const QString& fileName) {
    dm_.open(); // the connection knows the database's character set
    if (dm_.IBDatabase1.unicode()) {
        dm_.close();
        MessageService::information(window_,
                                    QStringLiteral("このデータベースはすでに UTF8 です。"));
        return;
    }
    if (QFileInfo::exists(fileName)) {
        dm_.close();
        MessageService::information(
            window_, QStringLiteral("「%1」はすでにあります。新しいファイル名を指定してください。")
                         .arg(fileName));
        return;
    }
    bool leftover = false;
    ProgressDialog progress(window_, QStringLiteral("UTF8 のデータベースに写しています"));
    SchemaOptions options;
    options.characterSet = QStringLiteral("UTF8");
    const qint64 copied = copyVeltaDatabase(dm_, fileName, options, progress.progress(), &leftover);
    MessageService::information(
        window_,
        copied < 0
            ? QStringLiteral("中止しました。新しいデータベースは作っていません。")
            : QStringLiteral(
                  "%1 件の宛名と差出人を「%2」に写しました。今のデータベースはそのままです。\n"
                  "新しいデータベースを使うには、プログラムを閉じてから data/DATA.GDB "
                  "をこのファイルに置き"
                  "換えるか、connect.ini の Server_SYS でこのファイルを指してください。"
                  "郵便番号辞書は取り込み直してください。")
                      .arg(copied)
                      .arg(fileName) +
                  (leftover ? QStringLiteral("\n（前回中断したコピー「%1」は消しました。）")
                                  .arg(partialCopyName(fileName))
                            : QString()));
}

void ToolsMenu::exportBook(const QString& fileName, bool shiftJis) {
    ProgressDialog progress(window_, QStringLiteral("宛名を書き出しています"));
    const int rows = velta::exportBook(
        dm_, fileName, shiftJis ? TextEncoding::Cp932 : TextEncoding::Utf8, progress.progress());
    MessageService::information(
        window_,
        rows < 0 ? QStringLiteral("書き出しを中止しました。ファイルは書き出していません。")
                 : QStringLiteral("%1 件の宛名を「%2」に書き出しました。").arg(rows).arg(fileName));
}

void ToolsMenu::importBook(const QString& fileName) {
    // Reading a large file goes on beside the window, which can stop it.
    const std::optional<ImportTable> preview =
        runAside<ImportTable>(window_, QStringLiteral("ファイルを読み込んでいます"), [fileName] {
            return readImportPreview(fileName, ImportDialog::kPreviewRows);
        });
    if (!preview)
        return;
    ImportDialog dialog(*preview, window_);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QVector<Target> targets = dialog.targets();
    ImportOptions store(ImportMode::Store, dialog.suggestReadings->isChecked());
    // Read again a piece at a time, for the check and for the import: never held whole.
    ImportReader reader = ImportReader::open(fileName);
    // Rows that cannot be stored are named before anything is written; the user decides.
    {
        ProgressDialog checking(window_, QStringLiteral("取り込む行を確かめています"),
                                QStringLiteral("%"));
        const ImportReport check =
            importFile(dm_, reader, targets, percentOf(checking.progress()),
                       ImportOptions(ImportMode::Check, store.suggestReadings));
        if (check.stopped)
            return;
        if (!check.refused.isEmpty() &&
            !MessageService::confirm(
                window_,
                QStringLiteral("次の %1 行は取り込めません。残りの %2 件を取り込みますか？\n"
                               "（いいえ: 何も取り込みません）\n%3")
                    .arg(check.refused.size())
                    .arg(check.imported)
                    .arg(listedLines(check.refused))))
            return;
        if (!check.suggested.isEmpty() &&
            !MessageService::confirm(
                window_,
                QStringLiteral("次の %1 行はふりがながないため、読みを推定しました。この読みで"
                               "取り込みますか？\n（いいえ: 何も取り込みません）\n%2")
                    .arg(check.suggested.size())
                    .arg(listedLines(check.suggested))))
            return;
        if (!check.duplicates.isEmpty())
            store.duplicates =
                MessageService::confirm(
                    window_,
                    QStringLiteral("次の %1 行は、同じ名前と住所の宛名がすでにあります（または"
                                   "ファイルの中で重なっています）。これらの行を飛ばして取り込み"
                                   "ますか？\n（はい: 飛ばす　いいえ: そのまま追加する）\n%2")
                        .arg(check.duplicates.size())
                        .arg(listedLines(check.duplicates)))
                    ? Duplicates::Skip
                    : Duplicates::Add;
    }
    ProgressDialog progress(window_, QStringLiteral("宛名を取り込んでいます"), QStringLiteral("%"));
    MessageService::information(
        window_,
        importSummary(importFile(dm_, reader, targets, percentOf(progress.progress()), store)));
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
