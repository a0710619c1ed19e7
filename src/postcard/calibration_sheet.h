#pragma once

#include "card_layouts.h"
#include "page_model.h"
#include "page_renderer.h"

#include <QRectF>
#include <QVector>

namespace velta {

// The sheet a user prints on plain paper and holds against a real card to read off how far a
// printer puts the card: the card's outline, Japan Post's seven code boxes, the layout's
// sender code boxes, a millimetre scale beside the first and last box, and an arrow at the edge
// that enters the printer. Drawn where the card is; the print path adds the correction.
struct CalibrationSheet {
    PreparedPage page; // the texts
    QVector<PagePath> paths;
};
CalibrationSheet calibrationSheet(CardLayout layout, const QString& queue, QPointF offsetMm);
// Prints the sheet on the queue through the cards' own print path, moved by `offsetMm`; the
// job's number. Throws as PrintSpool::print does.
int printCalibrationSheet(CardLayout layout, const QString& queue, QPointF offsetMm);

// The layout's seven sender digit boxes, millimetres from the card's top-left corner.
QVector<QRectF> senderCodeBoxes(CardLayout layout);

} // namespace velta
