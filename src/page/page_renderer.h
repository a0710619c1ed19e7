#pragma once

#include "page_model.h"

#include <QColor>
#include <QPointF>
#include <QPolygonF>
#include <QRectF>
#include <QVector>

class QPainter;

namespace velta {

class PageFont;

// One glyph placed on the page, in page units from the card's top-left corner.
struct PlacedGlyph {
    quint32 glyph;
    QPointF position; // pen position (horizontal origin, baseline)
    bool sideways;    // drawn turned a quarter turn clockwise
    QString text;     // the characters it shows; empty for the further glyphs of a cluster
    const PageFont* font = nullptr; // the face that has it, when the box's face lacks it
};

// A box laid out: its face, its size after fitting, its rectangle and its glyphs.
struct LaidOutBox {
    QString name;
    QString family; // the installed face that draws it
    int weight = 400;
    double pixelSize = 0; // after fitting
    double scale = 1;     // pixelSize / the box's own size
    double condense = 1;  // glyphs and advances down a vertical column (長体)
    double fit = 1;       // how far fitting went: condense first, then scale
    QRectF clip;          // the box, page units, card coordinates
    QRectF frame;         // the box less its gaps
    QVector<PlacedGlyph> glyphs;
    const PageFont* font = nullptr; // the face of `family` and `weight`, once laid out
    bool overflows = false;         // some of the text could not be placed inside the box
};

// Where each glyph of a laid-out box puts ink, page units (the face's own outline bounds).
QVector<QRectF> glyphInks(const LaidOutBox& box);

// Consecutive glyphs of a box that go out together: one orientation, one face.
struct GlyphSpan {
    qsizetype first, end;
    const PageFont* font;
    bool sideways;
};
QVector<GlyphSpan> glyphSpans(const LaidOutBox& box);

// Lays out every visible box of a page (shape once, paint anywhere). Only whole glyphs are
// placed, each inside its box; what does not fit is left out and the box marked. Fitting only
// finds each box's size and whether it overflows, and places no glyphs (a check of many cards).
enum class Layout { Glyphs, FittingOnly };
QVector<LaidOutBox> layOutPage(const PreparedPage& page, Layout detail = Layout::Glyphs);

// How long the box's text runs along its line at the box's size, spacing and 長体, as one line
// (page units): what a composer measures before it places a column.
double columnLength(const TextBox& box);

// Draws a page onto any painter whose device is the size of the card; the painter's scale is
// set from the device's resolution.
void renderPage(QPainter& painter, const PreparedPage& page);
// Draws laid-out boxes with the painter's transform in page units.
void paintBoxes(QPainter& painter, const QVector<LaidOutBox>& boxes);
// Draws paths with the painter's transform in page units.
void paintPaths(QPainter& painter, const QVector<PagePath>& paths);

} // namespace velta
