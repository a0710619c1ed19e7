#pragma once

#include <QRectF>
#include <QSizeF>
#include <QVector>

namespace velta {

// The seven red postal-code boxes of 定形 mail (postcards, envelopes up to 120 × 235 mm) at
// Japan Post's standard positions, in millimetres from the paper's top-left corner: 12.0 mm
// from the top, the last box 8.0 mm from the right edge, boxes 5.7 × 8.0 mm, gaps 1.3, 1.3,
// 1.9, 1.1, 1.1, 1.1 mm. Larger papers have a frame of another size or none: empty.
QVector<QRectF> postalFrameBoxes(QSizeF paperMm = {100, 148});

} // namespace velta
