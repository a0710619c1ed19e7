#pragma once

#include "composition.h"

#include <QRectF>
#include <QString>
#include <QVector>

namespace velta {

// An A4 sheet of address labels, as data: how many, how large, where the first one is and how
// far the next one stands (millimetres).
struct LabelSheet {
    QString name; // 「A4 24面（70 × 33.9 mm）」
    int columns = 0, rows = 0;
    double labelWidth = 0, labelHeight = 0;
    double left = 0, top = 0;      // the first label's top-left corner on the sheet
    double pitchX = 0, pitchY = 0; // from one label's corner to the next one's
    double paperWidth = 210, paperHeight = 297;

    int perSheet() const { return columns * rows; }
    // Label `index` (0-based, along each row first), on the sheet.
    QRectF labelRect(int index) const;
    bool operator==(const LabelSheet&) const = default;
};

// The common Japanese sheets: 12, 18, 21 and 24 labels.
QVector<LabelSheet> builtInLabelSheets();

// Why a sheet cannot be used (「…: ラベルが用紙からはみ出します」); empty when it can.
QString labelSheetProblem(const LabelSheet& sheet);

// The sheets the user keeps: VELTA/label-sheets.json in the settings folder (~/.config), written
// with the built-in sheets the first time so that it can be edited. A file that cannot be read or
// holds a sheet that cannot be used throws DbError naming it; nothing is replaced then.
QString labelSheetsFile();
QVector<LabelSheet> loadLabelSheets(const QString& fileName = labelSheetsFile());
void saveLabelSheets(const QVector<LabelSheet>& sheets,
                     const QString& fileName = labelSheetsFile());

// One label a recipient, horizontally: 〒 and the code, the address, the company, the name with
// its 敬称 and the 連名. A label whose text does not fit is left out and listed (as cards are)
// unless the options allow overflow. `made` gets, for each label placed, its card's index.
QVector<PreparedPage> composeLabels(const LabelSheet& sheet, const CardOptions& options,
                                    const QList<CardRecipient>& cards, QStringList* warnings,
                                    QList<qsizetype>* made = nullptr);

} // namespace velta
