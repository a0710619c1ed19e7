#pragma once

#include <QObject>
#include <QString>

class QAction;
class QMainWindow;
class QMenu;

namespace velta {

class TDM;

// The main window's 「ツール」 menu: the postal-code dictionary and the address book in and
// out. Each action asks for its file, then calls the function of the same name, which tests
// call directly.
class ToolsMenu : public QObject {
public:
    ToolsMenu(QMainWindow* window, TDM& dm);
    QAction* actImportPostal; // 郵便番号辞書の取り込み…
    QAction* actExportBook;   // 宛名を CSV に書き出す…
    QAction* actImportBook;   // 宛名を取り込む（CSV・vCard）…
    QAction* actCopyToUtf8;   // UTF8 のデータベースに写す…

    void importPostal(const QString& fileName);
    void exportBook(const QString& fileName, bool shiftJis);
    // Shows the file's columns and first rows (ImportDialog), then imports what it was told to.
    void importBook(const QString& fileName);
    // Copies the address book into a new UTF8 database file; the open one is only read.
    void copyToUtf8(const QString& fileName);

private:
    QMainWindow* window_;
    TDM& dm_;
};

} // namespace velta
