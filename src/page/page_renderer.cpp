#include "page_renderer.h"

#include "font_substitution.h"

#include <QFont>
#include <QFontDatabase>
#include <QGlyphRun>
#include <QHash>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRawFont>

#include <hb-ot.h>
#include <hb.h>

#include <algorithm>
#include <memory>

namespace velta {
namespace {

// The installed face that draws a box's text: the named face or its substitutes, the first
// one that has every character, so a Latin face never leaves kanji as empty boxes.
QString resolvedFamily(const QString& faceName, const QString& text) {
    struct Candidate {
        QString family;
        QRawFont raw;
    };
    static QHash<QString, QVector<Candidate>> installed; // per face name, best first
    const QString face = faceName.startsWith(QLatin1Char('@')) ? faceName.mid(1) : faceName;
    auto found = installed.find(face);
    if (found == installed.end()) {
        QVector<Candidate> list;
        for (const QString& candidate : QStringList(face) + substituteFaces(face))
            if (QFontDatabase::hasFamily(candidate))
                list.append({candidate, QRawFont::fromFont(QFont(candidate))});
        found = installed.insert(face, list);
    }
    const QList<uint> codes = text.toUcs4();
    for (const Candidate& candidate : *found)
        if (std::all_of(codes.begin(), codes.end(),
                        [&](uint c) { return c < 0x20 || candidate.raw.supportsCharacter(c); }))
            return candidate.family;
    return found->isEmpty() ? face : found->first().family;
}

// A HarfBuzz font over the very font Qt resolved, built from its tables.
struct ShapingFont {
    QRawFont raw;
    hb_face_t* face = nullptr;
    hb_font_t* font = nullptr;
    double scale = 1.0; // page units per font unit
    ~ShapingFont() {
        hb_font_destroy(font);
        hb_face_destroy(face);
    }
};

hb_blob_t* referenceTable(hb_face_t*, hb_tag_t tag, void* userData) {
    const auto* raw = static_cast<const QRawFont*>(userData);
    const char name[4] = {static_cast<char>(tag >> 24), static_cast<char>(tag >> 16),
                          static_cast<char>(tag >> 8), static_cast<char>(tag)};
    auto* table = new QByteArray(raw->fontTable(name));
    return hb_blob_create(table->constData(), static_cast<unsigned>(table->size()),
                          HB_MEMORY_MODE_READONLY, table,
                          [](void* data) { delete static_cast<QByteArray*>(data); });
}

std::shared_ptr<ShapingFont> shapingFont(const QString& family, double pixelSize) {
    static QHash<QString, std::shared_ptr<ShapingFont>> cache;
    const QString key = family + QLatin1Char('/') + QString::number(pixelSize);
    if (auto found = cache.value(key))
        return found;
    QFont font(family);
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(pixelSize))));
    auto shaping = std::make_shared<ShapingFont>();
    shaping->raw = QRawFont::fromFont(font);
    shaping->raw.setPixelSize(pixelSize);
    shaping->face = hb_face_create_for_tables(referenceTable, &shaping->raw, nullptr);
    const unsigned upem = std::max(1u, hb_face_get_upem(shaping->face));
    shaping->font = hb_font_create(shaping->face);
    hb_ot_font_set_funcs(shaping->font);
    hb_font_set_scale(shaping->font, static_cast<int>(upem), static_cast<int>(upem));
    shaping->scale = pixelSize / upem;
    cache.insert(key, shaping);
    return shaping;
}

// Full-width and ideographic characters stand upright in a vertical column; others lie down.
bool standsUpright(QChar c) {
    const char16_t u = c.unicode();
    if (u >= 0xFF61 && u <= 0xFFDC)
        return false; // half-width forms
    return u >= 0x2E80 || (u >= 0x1100 && u <= 0x11FF) || c.isHighSurrogate() || c.isLowSurrogate();
}

struct Shaped {
    QVector<quint32> glyphs;
    QVector<QPointF> offsets; // relative to the pen, page units, y down
    QVector<double> advances; // along the line, page units
    QVector<int> clusters;
};

Shaped shape(const ShapingFont& font, const QString& text, bool vertical) {
    hb_buffer_t* buffer = hb_buffer_create();
    hb_buffer_add_utf16(buffer, reinterpret_cast<const uint16_t*>(text.utf16()),
                        static_cast<int>(text.size()), 0, static_cast<int>(text.size()));
    hb_buffer_set_direction(buffer, vertical ? HB_DIRECTION_TTB : HB_DIRECTION_LTR);
    hb_buffer_set_language(buffer, hb_language_from_string("ja", -1));
    hb_buffer_guess_segment_properties(buffer);
    hb_shape(font.font, buffer, nullptr, 0);
    unsigned count = 0;
    const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buffer, &count);
    const hb_glyph_position_t* pos = hb_buffer_get_glyph_positions(buffer, &count);
    Shaped shaped;
    for (unsigned i = 0; i < count; ++i) {
        shaped.glyphs.append(info[i].codepoint);
        shaped.clusters.append(static_cast<int>(info[i].cluster));
        // HarfBuzz's y grows upward; the page's grows downward.
        shaped.offsets.append(QPointF(pos[i].x_offset * font.scale, -pos[i].y_offset * font.scale));
        shaped.advances.append(vertical ? -pos[i].y_advance * font.scale
                                        : pos[i].x_advance * font.scale);
    }
    hb_buffer_destroy(buffer);
    return shaped;
}

// One run of a line: its characters shaped either upright (vertical) or along the line.
struct Run {
    QString text;
    int start;
    bool upright;
};

QVector<Run> runsOf(const QString& line, bool vertical) {
    QVector<Run> runs;
    for (int i = 0; i < line.size(); ++i) {
        const bool upright = vertical && standsUpright(line.at(i));
        if (runs.isEmpty() || runs.back().upright != upright)
            runs.append({QString(), i, upright});
        runs.back().text += line.at(i);
    }
    return runs;
}

struct Glyphs {
    QVector<PlacedGlyph> glyphs;   // positions relative to the line's start on its axis
    QVector<double> characterEnds; // along the line, after each character
};

// Shapes a line and places its glyphs along the line's axis (x: across, y: along for vertical).
Glyphs placeLine(const ShapingFont& font, const QString& line, bool vertical, double charSpacing) {
    Glyphs result;
    result.characterEnds.resize(line.size());
    double pen = 0;
    for (const Run& run : runsOf(line, vertical)) {
        const Shaped shaped = shape(font, run.text, run.upright);
        for (int g = 0; g < shaped.glyphs.size(); ++g) {
            const QChar character = run.text.at(shaped.clusters[g]);
            QPointF position = run.upright
                                   ? QPointF(shaped.offsets[g].x(), pen + shaped.offsets[g].y())
                                   : QPointF(pen + shaped.offsets[g].x(), shaped.offsets[g].y());
            result.glyphs.append({shaped.glyphs[g], position, vertical && !run.upright, character});
            pen += shaped.advances[g] + charSpacing;
            result.characterEnds[run.start + shaped.clusters[g]] = pen;
        }
    }
    for (int i = 1; i < result.characterEnds.size(); ++i)
        result.characterEnds[i] = std::max(result.characterEnds[i], result.characterEnds[i - 1]);
    return result;
}

// Breaks a text into lines that fit: at line breaks, then at the last space that fits, or
// between characters.
QStringList wrap(const ShapingFont& font, const QString& text, bool vertical, double charSpacing,
                 double length) {
    QStringList lines;
    for (QString rest : QString(text)
                            .replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
                            .split(QLatin1Char('\n'))) {
        while (!rest.isEmpty()) {
            const Glyphs placed = placeLine(font, rest, vertical, charSpacing);
            int fits = 0;
            while (fits < rest.size() && placed.characterEnds[fits] - charSpacing <= length + 0.01)
                ++fits;
            if (fits >= rest.size()) {
                lines.append(rest);
                break;
            }
            fits = std::max(fits, 1);
            const int space = rest.lastIndexOf(QLatin1Char(' '), fits);
            const int cut = space > 0 ? space + 1 : fits;
            lines.append(rest.left(cut));
            rest = rest.mid(cut);
        }
        if (rest.isEmpty() && lines.isEmpty())
            lines.append(QString());
    }
    return lines;
}

LaidOutBox layOutBox(const TextBox& box, const PageSetup& page) {
    LaidOutBox laid;
    laid.name = box.Name;
    laid.family = resolvedFamily(box.FontName, box.Text);
    laid.pixelSize = std::abs(box.FontHeight);
    const QPointF origin(mmToUnits(page.LeftMargin), mmToUnits(page.TopMargin));
    laid.clip = QRectF(origin + QPointF(box.Left, box.Top), QSizeF(box.Width, box.Height));
    const QRectF frame = laid.clip.adjusted(box.GapX, box.GapY, -box.GapX, -box.GapY);
    if (box.Text.isEmpty() || frame.width() <= 0 || frame.height() <= 0)
        return laid;
    const auto font = shapingFont(laid.family, laid.pixelSize);
    const bool vertical = box.Rotation == 270;
    const double lineDepth = laid.pixelSize + box.LineSpacing;
    const double ascent = font->raw.ascent();
    const QStringList lines =
        wrap(*font, box.Text, vertical, box.CharSpacing, vertical ? frame.height() : frame.width());
    for (int l = 0; l < lines.size(); ++l) {
        const Glyphs placed = placeLine(*font, lines[l], vertical, box.CharSpacing);
        for (PlacedGlyph glyph : placed.glyphs) {
            if (!vertical) {
                glyph.position += QPointF(frame.left(), frame.top() + l * lineDepth + ascent);
            } else if (glyph.sideways) {
                // A character lying down: its baseline runs down the column, left of the centre.
                const QPointF along = glyph.position;
                glyph.position = QPointF(frame.right() - l * lineDepth - laid.pixelSize / 2 -
                                             (ascent - laid.pixelSize / 2),
                                         frame.top() + along.x());
            } else {
                // HarfBuzz's vertical origin is the top centre of the em box.
                glyph.position += QPointF(frame.right() - l * lineDepth - laid.pixelSize / 2,
                                          frame.top() + ascent);
            }
            laid.glyphs.append(glyph);
        }
    }
    return laid;
}

} // namespace

QVector<LaidOutBox> layOutPage(const PreparedPage& page) {
    QVector<LaidOutBox> boxes;
    for (const TextBox& box : page.boxes)
        if (box.Visible)
            boxes.append(layOutBox(box, page.page));
    return boxes;
}

void renderPage(QPainter& painter, const PreparedPage& page) {
    painter.save();
    const double dotsPerUnit = painter.device()->logicalDpiX() / 96.0;
    painter.scale(dotsPerUnit, dotsPerUnit);
    painter.setPen(Qt::black);
    for (const LaidOutBox& box : layOutPage(page)) {
        if (box.glyphs.isEmpty())
            continue;
        const auto font = shapingFont(box.family, box.pixelSize);
        painter.save();
        painter.setClipRect(box.clip);
        // Upright glyphs go out as one run; a glyph lying on its side is turned on its own.
        QVector<quint32> indexes;
        QVector<QPointF> positions;
        for (const PlacedGlyph& glyph : box.glyphs) {
            if (!glyph.sideways) {
                indexes.append(glyph.glyph);
                positions.append(glyph.position);
                continue;
            }
            QGlyphRun run;
            run.setRawFont(font->raw);
            run.setGlyphIndexes({glyph.glyph});
            run.setPositions({QPointF(0, 0)});
            painter.save();
            painter.translate(glyph.position);
            painter.rotate(90);
            painter.drawGlyphRun(QPointF(0, 0), run);
            painter.restore();
        }
        if (!indexes.isEmpty()) {
            QGlyphRun run;
            run.setRawFont(font->raw);
            run.setGlyphIndexes(indexes);
            run.setPositions(positions);
            painter.drawGlyphRun(QPointF(0, 0), run);
        }
        painter.restore();
    }
    painter.restore();
}

bool writePdf(const QString& fileName, const QVector<PreparedPage>& pages) {
    QPdfWriter writer(fileName);
    writer.setResolution(1200);
    writer.setCreator(QStringLiteral("VELTA"));
    const PageSetup setup = pages.isEmpty() ? PageSetup{} : pages.first().page;
    writer.setPageSize(QPageSize(QSizeF(setup.PaperWidth, setup.PaperHeight), QPageSize::Millimeter,
                                 QStringLiteral("はがき"), QPageSize::ExactMatch));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter;
    if (!painter.begin(&writer))
        return false;
    for (int i = 0; i < pages.size(); ++i) {
        if (i > 0)
            writer.newPage();
        renderPage(painter, pages[i]);
    }
    return painter.end();
}

} // namespace velta
