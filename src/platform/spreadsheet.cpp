#include "spreadsheet.h"

namespace velta {

// The backend of this platform: automation on Windows, an .xlsx file elsewhere.
std::unique_ptr<SpreadsheetApplication> platformSpreadsheet(const QString& classId);

namespace {

SpreadsheetFactory& factory() {
    static SpreadsheetFactory instance = platformSpreadsheet;
    return instance;
}

} // namespace

std::unique_ptr<SpreadsheetApplication> createSpreadsheetApplication(const QString& classId) {
    return factory()(classId);
}

void setSpreadsheetFactory(SpreadsheetFactory value) {
    factory() = std::move(value);
}

std::pair<int, int> cellPosition(const QString& name) {
    int column = 0;
    qsizetype i = 0;
    while (i < name.size() && name.at(i).isUpper() && name.at(i).unicode() < 0x80)
        column = column * 26 + (name.at(i++).unicode() - 'A' + 1);
    bool ok = false;
    const int row = name.mid(i).toInt(&ok);
    if (i == 0 || !ok || row < 1)
        return {-1, -1};
    return {column - 1, row - 1};
}

} // namespace velta
