#pragma once

#include "page_model.h"

#include <QPointF>
#include <QRectF>
#include <QVector>

class QPainter;
class QPdfWriter;

namespace velta {

// One glyph placed on the page, in page units from the card's top-left corner.
struct PlacedGlyph {
    quint32 glyph;
    QPointF position; // pen position (horizontal origin, baseline)
    bool sideways;    // drawn turned a quarter turn clockwise
    QChar character;  // the character it came from (first of a cluster)
};

// A box laid out: its font, its clip rectangle and its glyphs.
struct LaidOutBox {
    QString name;
    QString family; // the installed face that draws it
    double pixelSize;
    QRectF clip; // page units, card coordinates
    QVector<PlacedGlyph> glyphs;
};

// Lays out every visible box of a page (shape once, paint anywhere).
QVector<LaidOutBox> layOutPage(const PreparedPage& page);

// Draws a page onto any painter whose device is the size of the card; the painter's scale is
// set from the device's resolution.
void renderPage(QPainter& painter, const PreparedPage& page);

// Writes pages to a PDF of 100 × 148 mm pages with the fonts embedded.
bool writePdf(const QString& fileName, const QVector<PreparedPage>& pages);

} // namespace velta
