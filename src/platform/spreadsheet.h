#pragma once

#include <QString>
#include <QVector>

#include <functional>
#include <memory>
#include <optional>

namespace velta {

// A block of values for one range; an empty optional leaves its cell untouched.
using SheetBlock = QVector<QVector<std::optional<QString>>>;

// The automation members of a spreadsheet application ("Excel.Application") the export uses.
class SpreadsheetApplication {
public:
    virtual ~SpreadsheetApplication() = default;
    virtual void Application() = 0;
    virtual void setVisible(bool visible) = 0;
    virtual void WorkBooksAdd() = 0;
    virtual void setDisplayAlerts(bool show) = 0;
    virtual void setScreenUpdating(bool update) = 0;
    // ActiveSheet.Range(range).Value = block (rows from the range's top-left cell).
    virtual void setRangeValue(const QString& range, const SheetBlock& block) = 0;
    // ActiveSheet.Range(cell).Value = text.
    virtual void setRangeValue(const QString& cell, const QString& text) = 0;
    virtual void CellsEntireColumnAutoFit() = 0;
    virtual void setCellsFontSize(int size) = 0;
    // The end of the automation object: the workbook is left open for the user.
    virtual void release() = 0;
};

// Creates the application object for a class identifier; throws when there is none.
std::unique_ptr<SpreadsheetApplication> createSpreadsheetApplication(const QString& classId);

// Replaces the platform's application (tests).
using SpreadsheetFactory = std::function<std::unique_ptr<SpreadsheetApplication>(const QString&)>;
void setSpreadsheetFactory(SpreadsheetFactory factory);

// Removes the workbooks this run handed to the spreadsheet program (it has read them by then);
// done when the program ends, so exports do not pile up in the temporary folder.
void removeExportedWorkbooks();

// "B2" → (column 1, row 1), zero-based; (-1, -1) for a text that is no cell name.
std::pair<int, int> cellPosition(const QString& name);

} // namespace velta
