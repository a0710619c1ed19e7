#pragma once

#include "progress.h"
#include "spreadsheet.h"

#include <QList>
#include <QStringList>

namespace velta {

// The block written at B2: one row per grid row (R rows, 25 columns); a grid row i ≥ 1 with a
// surname gives its columns 1 to 9 and an empty tenth; everything else is left unassigned.
SheetBlock exportBlock(const QList<QStringList>& gridRows);

// Writes the grid into a new workbook of the spreadsheet application and leaves it open. A
// progress that asks to stop leaves no workbook (false).
bool exportToSpreadsheet(const QList<QStringList>& gridRows, const Progress& progress = {});

} // namespace velta
