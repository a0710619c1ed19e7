#pragma once

#include "spreadsheet.h"

#include <QMap>
#include <QString>

#include <functional>

namespace velta {

// The Linux spreadsheet application: keeps the workbook in memory, and when the automation
// object is released writes it as .xlsx (every value as text) into a folder and opens it in
// the user's spreadsheet program through the desktop.
class XlsxSpreadsheet : public SpreadsheetApplication {
public:
    using Opener = std::function<bool(const QString& file)>;
    XlsxSpreadsheet(QString folder, Opener opener);

    void Application() override {}
    void setVisible(bool visible) override { visible_ = visible; }
    void WorkBooksAdd() override { cells_.clear(); }
    void setDisplayAlerts(bool) override {}
    void setScreenUpdating(bool) override {}
    void setRangeValue(const QString& range, const SheetBlock& block) override;
    void setRangeValue(const QString& cell, const QString& text) override;
    void CellsEntireColumnAutoFit() override;
    void setCellsFontSize(int size) override { fontSize_ = size; }
    void release() override;

    // Width in character units that fits a text at the default size (full-width counts 2).
    static double fittedWidth(const QString& text);
    QString filePath() const;

private:
    QString folder_;
    Opener opener_;
    bool visible_ = false;
    int fontSize_ = 11;
    QMap<std::pair<int, int>, QString> cells_; // (row, column)
    QMap<int, double> widths_;
};

} // namespace velta
