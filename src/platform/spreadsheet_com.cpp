// The spreadsheet application on Windows: the export's calls made by automation on
// "Excel.Application" through ActiveQt.
#include "spreadsheet.h"

#include "errors_platform.h"

#include <QAxObject>

namespace velta {
namespace {

class ComSpreadsheet : public SpreadsheetApplication {
public:
    explicit ComSpreadsheet(const QString& classId) : created_(classId) {
        if (created_.isNull())
            throw PlatformError(QStringLiteral("「%1」を起動できません。").arg(classId));
    }
    void Application() override { application_ = created_.querySubObject("Application"); }
    void setVisible(bool visible) override { application_->setProperty("Visible", visible); }
    void WorkBooksAdd() override { application_->querySubObject("WorkBooks")->dynamicCall("Add"); }
    void setDisplayAlerts(bool show) override { application_->setProperty("DisplayAlerts", show); }
    void setScreenUpdating(bool update) override {
        application_->setProperty("ScreenUpdating", update);
    }
    void setRangeValue(const QString& range, const SheetBlock& block) override {
        QVariantList rows;
        for (const auto& line : block) {
            QVariantList values;
            for (const auto& value : line)
                values.append(value ? QVariant(*value) : QVariant());
            rows.append(QVariant(values));
        }
        range_(range)->setProperty("Value", QVariant(rows));
    }
    void setRangeValue(const QString& cell, const QString& text) override {
        range_(cell)->setProperty("Value", text);
    }
    void CellsEntireColumnAutoFit() override {
        application_->querySubObject("Cells")
            ->querySubObject("EntireColumn")
            ->dynamicCall("AutoFit");
    }
    void setCellsFontSize(int size) override {
        application_->querySubObject("Cells")->querySubObject("Font")->setProperty("Size", size);
    }
    void release() override {}

private:
    QAxObject* range_(const QString& name) {
        return application_->querySubObject("ActiveSheet")
            ->querySubObject("Range(const QString&)", name);
    }
    QAxObject created_;
    QAxObject* application_ = nullptr;
};

} // namespace

// Excel keeps its workbooks itself: nothing of ours to remove.
void removeExportedWorkbooks() {}

std::unique_ptr<SpreadsheetApplication> platformSpreadsheet(const QString& classId) {
    return std::make_unique<ComSpreadsheet>(classId);
}

} // namespace velta
