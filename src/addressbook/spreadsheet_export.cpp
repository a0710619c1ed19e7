#include "spreadsheet_export.h"

#include "tk_ichiran1.h"

namespace velta {

SheetBlock exportBlock(const QList<QStringList>& gridRows) {
    SheetBlock block(gridRows.size(), QVector<std::optional<QString>>(25));
    for (qsizetype i = 1; i < gridRows.size(); ++i) {
        const QStringList& row = gridRows[i];
        if (row.value(2).isEmpty())
            continue;
        for (int c = 0; c <= 8; ++c)
            block[i][c] = row.value(c + 1);
        block[i][9] = QString();
    }
    return block;
}

bool exportToSpreadsheet(const QList<QStringList>& gridRows, const Progress& progress) {
    std::unique_ptr<SpreadsheetApplication> excel =
        createSpreadsheetApplication(QStringLiteral("Excel.Application"));
    excel->Application();
    excel->setVisible(true);
    excel->WorkBooksAdd();
    excel->setDisplayAlerts(false);
    excel->setScreenUpdating(true);
    const SheetBlock block = exportBlock(gridRows);
    // In parts, so a long list shows its progress and can be stopped before anything is kept.
    constexpr qsizetype kPart = 2000;
    for (qsizetype first = 0; first < block.size(); first += kPart) {
        if (progress && !progress(first, block.size()))
            return false;
        const SheetBlock part = block.mid(first, kPart);
        // Block row i is sheet row i + 2. The range of the last part ends at the block's size,
        // leaving out the grid's last row, which is always blank; every other part is whole.
        const bool last = first + part.size() == block.size();
        excel->setRangeValue(
            QStringLiteral("B%1:Q%2").arg(first + 2).arg(first + part.size() + (last ? 0 : 1)),
            part);
    }
    excel->setRangeValue(QStringLiteral("A1"), QStringLiteral("宛名一覧"));
    excel->setRangeValue(QStringLiteral("B2"), QStringLiteral("　　"));
    const QStringList headers = listHeaders().mid(2, 8); // the form's columns, not the details'
    for (int i = 0; i < headers.size(); ++i)
        excel->setRangeValue(QString(QChar('C' + i)) + QStringLiteral("2"), headers[i]);
    excel->CellsEntireColumnAutoFit();
    excel->setCellsFontSize(8);
    excel->release();
    return true;
}

} // namespace velta
