#include "page_renderer.h"

#include "line_breaking.h"

#include "page_fonts.h"
#include "vertical_orientation.h"

#include <QGlyphRun>
#include <QPainter>
#include <QVarLengthArray>

#include <hb.h>

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

namespace velta {
namespace {

constexpr double kEpsilon = 0.01; // page units
constexpr double kContinueBelowScale = 0.8;

// A glyph of a cluster, in font units from the cluster's pen: along the line and across it.
struct ShapedGlyph {
    quint32 id;
    double along, across;
};

// The glyphs of one or more characters that stay together (a cluster).
struct Cluster {
    int start = 0, length = 0; // in the paragraph
    double advance = 0;        // font units (of the box's font) along the line
    bool sideways = false;
    bool space = false;
    const PageFont* font = nullptr; // a face standing in for a character the box's face lacks
    QVarLengthArray<ShapedGlyph, 1> glyphs; // nearly always one: kept in place, not allocated
};

struct Paragraph {
    QString text;
    QVector<Cluster> clusters;
    // Where a line may end, before each cluster and at the end: found the first time a line of
    // it must break (most texts fit their box whole), shared by the copies of a kept paragraph.
    std::shared_ptr<QVector<BreakRank>> breaks = std::make_shared<QVector<BreakRank>>();

    const QVector<BreakRank>& breakRanks() const {
        if (breaks->isEmpty()) {
            const QVector<BreakRank> ranks = velta::breakRanks(text);
            breaks->reserve(clusters.size() + 1);
            for (const Cluster& cluster : clusters)
                breaks->append(ranks[cluster.start]);
            breaks->append(BreakRank::Space);
        }
        return *breaks;
    }
};

bool standsUpright(const PageFont& font, char32_t character) {
    switch (verticalOrientation(character)) {
    case VerticalOrientation::Upright:
    case VerticalOrientation::TransformedUpright:
        return true;
    case VerticalOrientation::TransformedRotated:
        return font.hasVerticalForm(character);
    case VerticalOrientation::Rotated:
        break;
    }
    return false;
}

char32_t codePointAt(const QString& text, int i) {
    const QChar c = text.at(i);
    if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
        return QChar::surrogateToUcs4(c, text.at(i + 1));
    return c.unicode();
}

// Shapes characters [start, start + length) of a paragraph, in its context, into clusters,
// measured in the units of the box's font `primary`.
void shapeRun(const PageFont& font, const PageFont& primary, const QString& text, int start,
              int length, bool vertical, bool sideways, QVector<Cluster>& clusters) {
    const double toPrimary = double(primary.unitsPerEm()) / font.unitsPerEm();
    hb_buffer_t* buffer = hb_buffer_create();
    hb_buffer_add_utf16(buffer, reinterpret_cast<const uint16_t*>(text.utf16()),
                        static_cast<int>(text.size()), static_cast<unsigned>(start), length);
    const bool upright = vertical && !sideways;
    hb_buffer_set_direction(buffer, upright ? HB_DIRECTION_TTB : HB_DIRECTION_LTR);
    hb_buffer_set_language(buffer, hb_language_from_string("ja", -1));
    hb_buffer_guess_segment_properties(buffer);
    hb_shape(font.harfBuzz(), buffer, nullptr, 0);
    unsigned count = 0;
    const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buffer, &count);
    const hb_glyph_position_t* pos = hb_buffer_get_glyph_positions(buffer, &count);
    const qsizetype first = clusters.size();
    for (unsigned i = 0; i < count; ++i) {
        const int at = static_cast<int>(info[i].cluster);
        if (clusters.size() == first || clusters.back().start != at) {
            Cluster cluster;
            cluster.start = at;
            cluster.sideways = sideways;
            cluster.space = text.at(at) == QLatin1Char(' ') || text.at(at) == QChar(0x3000);
            cluster.font = &font == &primary ? nullptr : &font;
            clusters.append(cluster);
        }
        Cluster& cluster = clusters.back();
        // HarfBuzz's y grows upward; the page's grows downward. A vertical glyph's offset
        // already carries the pen from the vertical origin (top centre) to the glyph's origin.
        if (upright) {
            cluster.glyphs.append({info[i].codepoint, cluster.advance - pos[i].y_offset * toPrimary,
                                   pos[i].x_offset * toPrimary});
            cluster.advance -= pos[i].y_advance * toPrimary;
        } else {
            cluster.glyphs.append({info[i].codepoint, cluster.advance + pos[i].x_offset * toPrimary,
                                   (sideways ? pos[i].y_offset : -pos[i].y_offset) * toPrimary});
            cluster.advance += pos[i].x_advance * toPrimary;
        }
    }
    for (qsizetype c = first; c < clusters.size(); ++c) {
        Cluster& cluster = clusters[c];
        cluster.length =
            (c + 1 < clusters.size() ? clusters[c + 1].start : start + length) - cluster.start;
        // Upright characters take a full em along the column, even in a proportional face,
        // so kana never touch; the glyph stays centred in its cell.
        const double em = primary.unitsPerEm();
        if (upright && cluster.advance > 0 && cluster.advance < em) {
            const double pad = (em - cluster.advance) / 2;
            for (ShapedGlyph& glyph : cluster.glyphs)
                glyph.along += pad;
            cluster.advance = em;
        }
    }
    hb_buffer_destroy(buffer);
}

bool isDigit(QChar c) {
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
           (c >= QChar(0xFF10) && c <= QChar(0xFF19));
}

// Whether a run of exactly two digits starts at `at` (縦中横 sets such a pair side by side).
bool digitPairAt(const QString& text, int at) {
    return at + 1 < text.size() && isDigit(text.at(at)) && isDigit(text.at(at + 1)) &&
           (at == 0 || !isDigit(text.at(at - 1))) &&
           (at + 2 == text.size() || !isDigit(text.at(at + 2)));
}

// Two digits set side by side in one em of a vertical column (縦中横): the face's half-width
// digits, centred across the column, on the em's baseline.
Cluster digitPairCluster(const PageFont& font, const QString& text, int at) {
    QString latin;
    for (int i = at; i < at + 2; ++i)
        latin +=
            text.at(i) >= QChar(0xFF10) ? QChar(text.at(i).unicode() - 0xFF10 + '0') : text.at(i);
    hb_buffer_t* buffer = hb_buffer_create();
    hb_buffer_add_utf16(buffer, reinterpret_cast<const uint16_t*>(latin.utf16()), 2, 0, 2);
    hb_buffer_set_direction(buffer, HB_DIRECTION_LTR);
    hb_buffer_guess_segment_properties(buffer);
    hb_feature_t halfWidth;
    hb_feature_from_string("hwid", -1, &halfWidth);
    hb_shape(font.harfBuzz(), buffer, &halfWidth, 1);
    unsigned count = 0;
    const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buffer, &count);
    const hb_glyph_position_t* pos = hb_buffer_get_glyph_positions(buffer, &count);
    const double em = font.unitsPerEm();
    double width = 0;
    for (unsigned i = 0; i < count; ++i)
        width += pos[i].x_advance;
    Cluster cluster;
    cluster.start = at;
    cluster.length = 2;
    cluster.advance = em;
    double pen = -width / 2;
    for (unsigned i = 0; i < count; ++i) {
        cluster.glyphs.append(
            {info[i].codepoint, font.ascender() - pos[i].y_offset, pen + pos[i].x_offset});
        pen += pos[i].x_advance;
    }
    hb_buffer_destroy(buffer);
    return cluster;
}

// Shapes a paragraph once; runs split where the characters' orientation changes, or where a
// character the face lacks is drawn by a face that has it. With `digitPairs`, a vertical run of
// two digits is one upright cluster.
Paragraph shapedParagraph(const PageFont& font, const QString& text, bool vertical,
                          bool digitPairs) {
    Paragraph paragraph{text, {}};
    auto faceOf = [&](int at) -> const PageFont& {
        const char32_t c = codePointAt(text, at);
        return c < 0x20 || font.supports(c) ? font : fallbackFontFor(c, font);
    };
    auto pairAt = [&](int at) { return vertical && digitPairs && digitPairAt(text, at); };
    int i = 0;
    while (i < text.size()) {
        if (pairAt(i)) {
            paragraph.clusters.append(digitPairCluster(font, text, i));
            i += 2;
            continue;
        }
        const bool upright = !vertical || standsUpright(font, codePointAt(text, i));
        const PageFont& face = faceOf(i);
        int end = i;
        while (end < text.size() &&
               (!vertical || standsUpright(font, codePointAt(text, end)) == upright) &&
               &faceOf(end) == &face && !pairAt(end))
            end += codePointAt(text, end) > 0xFFFF ? 2 : 1;
        shapeRun(face, font, text, i, end - i, vertical, !upright, paragraph.clusters);
        i = end;
    }
    return paragraph;
}

// Most boxes of a run hold the same short texts on every card (the sender, 様, the digits):
// each is shaped once, in a bounded cache.
const Paragraph& shapeParagraph(const PageFont& font, const QString& text, bool vertical,
                                bool digitPairs) {
    constexpr qsizetype kLongestKept = 200, kMostKept = 4096;
    static QHash<std::pair<const PageFont*, int>, QHash<QString, Paragraph>> shaped;
    static Paragraph uncached;
    if (text.size() > kLongestKept) {
        uncached = shapedParagraph(font, text, vertical, digitPairs);
        return uncached;
    }
    QHash<QString, Paragraph>& kept = shaped[{&font, int(vertical) | int(digitPairs) << 1}];
    auto found = kept.find(text);
    if (found == kept.end()) {
        if (kept.size() >= kMostKept)
            kept.clear();
        found = kept.insert(text, shapedParagraph(font, text, vertical, digitPairs));
    }
    return *found;
}

// One box that a text flows through: its frame and spacing.
struct Slot {
    int box;
    QRectF clip, frame;
    double charSpacing, lineSpacing;
    int maxLines;
    bool vertical;
    double condense; // along the line: 長体 in a vertical box
    double length() const { return vertical ? frame.height() : frame.width(); }
    double depth() const { return vertical ? frame.width() : frame.height(); }
    int capacity(double pixelSize) const {
        if (depth() + kEpsilon < pixelSize)
            return 0;
        const int fit =
            static_cast<int>((depth() - pixelSize + kEpsilon) / (pixelSize + lineSpacing)) + 1;
        return maxLines > 0 ? std::min(fit, maxLines) : fit;
    }
};

// A layout is tried at many sizes: its slots and lines are kept in buffers that serve them all.
using Slots = std::vector<Slot>;
using Paragraphs = QVarLengthArray<Paragraph, 1>;

struct Line {
    int paragraph, first, end; // clusters [first, end)
    int slot, index;           // the box and the line's place in it
};

struct Flow {
    QVector<Line> lines;
    bool complete = true;
};

// Breaks the paragraphs into lines that fit, slot after slot, at the best place the line can
// end (lineEnd: after a space, where the building begins, between words, between characters,
// never where JLREQ forbids); spaces at a line's end hang beyond it.
void wrap(const Paragraphs& paragraphs, const Slots& targets, double pixelSize,
          double unitsPerFontUnit, Flow& flow) {
    flow.lines.clear();
    flow.complete = true;
    const int slotCount = static_cast<int>(targets.size());
    int slot = 0, index = 0;
    auto nextLine = [&]() -> bool {
        while (slot < slotCount && index >= targets[slot].capacity(pixelSize)) {
            ++slot;
            index = 0;
        }
        return slot < slotCount;
    };
    for (int p = 0; p < paragraphs.size(); ++p) {
        const QVector<Cluster>& clusters = paragraphs[p].clusters;
        int first = 0;
        do {
            if (!nextLine()) {
                flow.complete = false;
                return;
            }
            const Slot& s = targets[slot];
            double pen = 0;
            int end = first;
            while (end < clusters.size()) {
                const double extent = pen + clusters[end].advance * unitsPerFontUnit * s.condense;
                if (extent > s.length() + kEpsilon && end > first)
                    break;
                pen = extent + s.charSpacing;
                ++end;
            }
            while (end < clusters.size() && clusters[end].space)
                ++end;
            if (end < clusters.size())
                end = lineEnd(paragraphs[p].breakRanks(), first, end);
            flow.lines.append({p, first, end, slot, index++});
            first = end;
        } while (first < clusters.size());
    }
}

// A cluster's characters. The few thousand clusters of one or two code units a run uses are
// made once and shared: a substring per glyph was a good part of a card's allocations.
QString clusterText(const QString& text, qsizetype start, qsizetype length) {
    if (length < 1 || length > 2)
        return text.mid(start, length);
    const quint64 key = quint64(length) << 32 | quint64(text.at(start).unicode()) << 16 |
                        (length == 2 ? text.at(start + 1).unicode() : 0u);
    thread_local QHash<quint64, QString> made;
    auto found = made.constFind(key);
    if (found == made.constEnd())
        found = made.insert(key, text.mid(start, length));
    return *found;
}

// Places the glyphs of the lines; a cluster whose cell leaves its box is left out. A vertical
// text drawn smaller than its size in a one-column box keeps the column's axis (`axisShift`:
// half what it lost), so 姓 and 名 stand on one line whatever their sizes.
void place(const Paragraphs& paragraphs, const Slots& targets, const Flow& flow,
           const PageFont& font, double pixelSize, double axisShift, LaidOutBox* const* out) {
    const double k = pixelSize / font.unitsPerEm();
    for (const Line& line : flow.lines) // about a glyph a cluster
        out[line.slot]->glyphs.reserve(out[line.slot]->glyphs.size() + line.end - line.first);
    for (const Line& line : flow.lines) {
        const Slot& slot = targets[line.slot];
        LaidOutBox& box = *out[line.slot];
        const double lineStart = line.index * (pixelSize + slot.lineSpacing);
        double pen = 0;
        for (int c = line.first; c < line.end; ++c) {
            const Cluster& cluster = paragraphs[line.paragraph].clusters[c];
            const double advance = cluster.advance * k * slot.condense;
            QRectF cell;
            QPointF origin; // pen for along = across = 0
            if (slot.vertical) {
                const double right =
                    slot.frame.right() - lineStart - (slot.maxLines == 1 ? axisShift : 0);
                cell = QRectF(right - pixelSize, slot.frame.top() + pen, pixelSize, advance);
                const double centre = right - pixelSize / 2;
                // A character lying down: its baseline runs down the column, centred across it.
                const double across = cluster.sideways
                                          ? centre - (font.ascender() - font.descender()) * k / 2
                                          : centre;
                origin = QPointF(across, slot.frame.top() + pen);
            } else {
                const double top = slot.frame.top() + lineStart;
                cell = QRectF(slot.frame.left() + pen, top, advance, pixelSize);
                origin = QPointF(slot.frame.left() + pen, top + font.ascender() * k);
            }
            pen += advance + slot.charSpacing;
            if (!slot.clip.adjusted(-kEpsilon, -kEpsilon, kEpsilon, kEpsilon).contains(cell)) {
                // A space at a line's end hangs beyond it: no ink is lost.
                box.overflows = box.overflows || !cluster.space;
                continue;
            }
            QString text =
                clusterText(paragraphs[line.paragraph].text, cluster.start, cluster.length);
            for (const ShapedGlyph& glyph : cluster.glyphs) {
                const QPointF offset =
                    slot.vertical ? QPointF(glyph.across * k, glyph.along * k * slot.condense)
                                  : QPointF(glyph.along * k, glyph.across * k);
                box.glyphs.append(
                    {glyph.id, origin + offset, cluster.sideways, text, cluster.font});
                text.clear();
            }
        }
    }
}

bool isBlank(const QString& text) {
    return std::all_of(text.begin(), text.end(),
                       [](QChar c) { return c == QLatin1Char(' ') || c == QChar(0x3000); });
}

Slot slotOf(const TextBox& box, int index, const PageSetup& page) {
    const QPointF origin(mmToUnits(page.LeftMargin), mmToUnits(page.TopMargin));
    const QRectF clip(origin + QPointF(box.Left, box.Top), QSizeF(box.Width, box.Height));
    return {index,
            clip,
            clip.adjusted(box.GapX, box.GapY, -box.GapX, -box.GapY),
            box.CharSpacing,
            box.LineSpacing,
            box.MaxLines,
            box.Rotation == 270,
            box.Rotation == 270 ? box.Condense : 1.0};
}

// What a box's layout tries its sizes in, kept from box to box: no allocation per size tried.
struct Trial {
    Slots targets, scaled;
    Flow flow;
    double fit = -1; // the fit `flow` was wrapped at
};

// Lays out the text of box `source`, flowing on into box `next` (or -1) when it does not fit,
// at the fit `largest` at most. Returns whether the text went on into `next`.
bool layOutFlow(const PreparedPage& page, int source, int next, Layout detail,
                QVector<LaidOutBox>& laid, double largest = 1) {
    const TextBox& box = page.frame(source);
    const QString& text = page.text(source);
    const PageFont& font = pageFontFor(box.FontName, text);
    const bool vertical = box.Rotation == 270;
    thread_local Trial trial;
    Slots& targets = trial.targets;
    targets.assign(1, slotOf(box, source, page.page));
    std::array<LaidOutBox*, 2> out = {&laid[source], nullptr};
    qsizetype outCount = 1;
    auto drawnInFont = [&](LaidOutBox& target) {
        target.family = font.family();
        target.weight = font.weight();
        target.font = &font;
    };
    drawnInFont(laid[source]);
    if (text.isEmpty() || targets[0].frame.width() <= 0 || targets[0].frame.height() <= 0)
        return false;
    Paragraphs paragraphs;
    if (!text.contains(QLatin1Char('\n'))) { // most texts: one paragraph
        paragraphs.append(shapeParagraph(font, text, vertical, box.DigitPairs));
    } else {
        for (const QString& line : QString(text)
                                       .replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
                                       .split(QLatin1Char('\n')))
            paragraphs.append(shapeParagraph(font, line, vertical, box.DigitPairs));
    }

    const double size = std::abs(box.FontHeight);
    const double upem = font.unitsPerEm();
    // Fitting goes by one measure: down to the box's CondenseFloor only the column narrows
    // (長体), below it the text is drawn smaller as a whole, its size and its spacing.
    const double condenseFloor = vertical ? box.CondenseFloor : 1.0;
    auto condenseAt = [&](double fit) {
        return condenseFloor < 1 ? std::max(fit, condenseFloor) : 1.0;
    };
    auto scaleAt = [&](double fit) { return fit / condenseAt(fit); };
    auto scaled = [&](double fit) -> const Slots& {
        trial.scaled.assign(targets.begin(), targets.end());
        for (Slot& slot : trial.scaled) {
            slot.charSpacing *= scaleAt(fit);
            slot.lineSpacing *= scaleAt(fit);
            slot.condense *= condenseAt(fit);
        }
        return trial.scaled;
    };
    // The last fit tried and its flow: a text that fits at once is wrapped once, not twice.
    trial.fit = -1;
    auto attempt = [&](double fit) -> const Flow& {
        if (fit != trial.fit) {
            wrap(paragraphs, scaled(fit), size * scaleAt(fit), size * scaleAt(fit) / upem,
                 trial.flow);
            trial.fit = fit;
        }
        return trial.flow;
    };
    // The largest fit down to the minimum at which everything fits.
    const double lowest = kMinimumFitScale * std::min(condenseFloor, 1.0);
    auto fitted = [&]() {
        if (!box.FitText)
            return 1.0;
        if (attempt(largest).complete)
            return largest;
        if (!attempt(lowest).complete)
            return lowest;
        double low = lowest, high = largest;
        while (high - low > 0.005) {
            const double middle = (low + high) / 2;
            (attempt(middle).complete ? low : high) = middle;
        }
        return low;
    };
    double fit = fitted();
    // Narrowing and shrinking alone would make the text small or still cut it: go on in the
    // next box.
    if (next >= 0 && (fit < kContinueBelowScale || !attempt(fit).complete)) {
        targets.push_back(slotOf(page.frame(next), next, page.page));
        trial.fit = -1; // another box to fill
        out[outCount++] = &laid[next];
        drawnInFont(laid[next]);
        fit = fitted();
    }
    const Flow& flow = attempt(fit);
    const double scale = scaleAt(fit);
    for (qsizetype i = 0; i < outCount; ++i) {
        out[i]->pixelSize = size * scale;
        out[i]->scale = scale;
        out[i]->fit = fit;
        out[i]->condense = targets[0].condense * condenseAt(fit);
    }
    if (detail == Layout::Glyphs)
        place(paragraphs, scaled(fit), flow, font, size * scale, size * (1 - scale) / 2,
              out.data());
    if (!flow.complete)
        laid[source].overflows = true;
    return std::any_of(flow.lines.begin(), flow.lines.end(),
                       [](const Line& line) { return line.slot > 0; });
}

} // namespace

QVector<LaidOutBox> layOutPage(const PreparedPage& page, Layout detail) {
    const int count = static_cast<int>(page.boxCount());
    QVector<LaidOutBox> laid(count);
    QVector<bool> done(count, false);
    auto indexOf = [&](const QString& name) {
        for (int i = 0; i < count; ++i)
            if (page.frame(i).Name == name)
                return i;
        return -1;
    };
    for (int i = 0; i < count; ++i) {
        const TextBox& box = page.frame(i);
        LaidOutBox& out = laid[i];
        out.name = box.Name;
        const Slot slot = slotOf(box, i, page.page);
        out.clip = slot.clip;
        out.frame = slot.frame;
        out.pixelSize = std::abs(box.FontHeight);
        out.condense = slot.condense;
    }
    std::vector<int> nextOf(count, -1); // the box each text went on into
    for (int i = 0; i < count; ++i) {
        const TextBox& box = page.frame(i);
        if (done[i] || !box.Visible)
            continue;
        int next = box.ContinueIn.isEmpty() ? -1 : indexOf(box.ContinueIn);
        if (next >= 0 && (next == i || done[next] || !page.frame(next).Visible ||
                          !isBlank(page.text(next)) || page.frame(next).Rotation != box.Rotation))
            next = -1;
        const bool continued = layOutFlow(page, i, next, detail, laid);
        done[i] = true;
        if (continued) {
            done[next] = true;
            nextOf[i] = next;
        }
    }
    // A group is drawn at the smallest size any of its texts needed: laid out again there.
    QHash<QString, double> groupScale;
    for (int i = 0; i < count; ++i)
        if (const TextBox& box = page.frame(i);
            !box.FitGroup.isEmpty() && box.Visible && box.FitText && !isBlank(page.text(i)))
            groupScale[box.FitGroup] = std::min(groupScale.value(box.FitGroup, 1.0), laid[i].fit);
    for (int i = 0; i < count; ++i) {
        const TextBox& box = page.frame(i);
        const double scale = groupScale.value(box.FitGroup, 1.0);
        if (box.FitGroup.isEmpty() || !box.Visible || isBlank(page.text(i)) ||
            laid[i].fit <= scale + 0.001)
            continue;
        for (const int target : {i, nextOf[i]})
            if (target >= 0) {
                laid[target].glyphs.clear();
                laid[target].overflows = false;
            }
        layOutFlow(page, i, nextOf[i], detail, laid, scale);
    }
    QVector<LaidOutBox> visible;
    visible.reserve(count);
    for (int i = 0; i < count; ++i)
        if (page.frame(i).Visible)
            visible.append(std::move(laid[i]));
    return visible;
}

double columnLength(const TextBox& box) {
    if (box.Text.isEmpty())
        return 0;
    const PageFont& font = pageFontFor(box.FontName, box.Text);
    const Paragraph& paragraph =
        shapeParagraph(font, box.Text, box.Rotation == 270, box.DigitPairs);
    const double k = std::abs(box.FontHeight) / double(font.unitsPerEm()) *
                     (box.Rotation == 270 ? box.Condense : 1.0);
    double length = 0;
    for (const Cluster& cluster : paragraph.clusters)
        length += cluster.advance * k;
    return length + box.CharSpacing * double(paragraph.clusters.size() - 1);
}

void renderPage(QPainter& painter, const PreparedPage& page) {
    painter.save();
    const double dotsPerUnit = painter.device()->logicalDpiX() / 96.0;
    painter.scale(dotsPerUnit, dotsPerUnit);
    paintBoxes(painter, layOutPage(page));
    paintPaths(painter, page.paths);
    painter.restore();
}

void paintPaths(QPainter& painter, const QVector<PagePath>& paths) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(kUnitsPerMm, kUnitsPerMm);
    for (const PagePath& path : paths) {
        QPen pen(path.colour, path.widthMm);
        pen.setJoinStyle(Qt::MiterJoin);
        painter.setPen(path.filled ? QPen(Qt::NoPen) : pen);
        painter.setBrush(path.filled ? QBrush(path.colour) : QBrush(Qt::NoBrush));
        if (path.closed || path.filled)
            painter.drawPolygon(path.points);
        else
            painter.drawPolyline(path.points);
    }
    painter.restore();
}

namespace {

// The face the layout chose; a box read from a page file names it.
const PageFont& fontOf(const LaidOutBox& box) {
    return box.font ? *box.font : pageFont(box.family, box.weight);
}

} // namespace

QVector<QRectF> glyphInks(const LaidOutBox& box) {
    const double scale = box.pixelSize / PageFont::kInkSize;
    QVector<QRectF> inks;
    if (box.glyphs.isEmpty())
        return inks;
    const PageFont& own = fontOf(box);
    for (const PlacedGlyph& glyph : box.glyphs) {
        const PageFont& font = glyph.font ? *glyph.font : own;
        const QRectF large = font.inkBounds(glyph.glyph);
        QRectF bounds(large.topLeft() * scale, large.size() * scale);
        if (glyph.sideways)
            bounds = QTransform().rotate(90).mapRect(bounds);
        bounds = QRectF(bounds.left(), bounds.top() * box.condense, bounds.width(),
                        bounds.height() * box.condense);
        if (!bounds.isEmpty())
            inks.append(bounds.translated(glyph.position));
    }
    return inks;
}

QVector<GlyphSpan> glyphSpans(const LaidOutBox& box) {
    QVector<GlyphSpan> spans;
    if (box.glyphs.isEmpty())
        return spans;
    const PageFont& own = fontOf(box);
    for (qsizetype i = 0; i < box.glyphs.size(); ++i) {
        const PlacedGlyph& glyph = box.glyphs[i];
        const PageFont* font = glyph.font ? glyph.font : &own;
        if (spans.isEmpty() || spans.back().font != font || spans.back().sideways != glyph.sideways)
            spans.append({i, i + 1, font, glyph.sideways});
        else
            spans.back().end = i + 1;
    }
    return spans;
}

void paintBoxes(QPainter& painter, const QVector<LaidOutBox>& boxes) {
    painter.save();
    painter.setPen(Qt::black);
    for (const LaidOutBox& box : boxes) {
        if (box.glyphs.isEmpty())
            continue;
        // A run lying on its side is drawn in a frame turned a quarter turn clockwise (a page
        // point (x, y) is (y, -x) there).
        for (const GlyphSpan& span : glyphSpans(box)) {
            QVector<quint32> indexes;
            QVector<QPointF> positions;
            for (qsizetype i = span.first; i < span.end; ++i) {
                const PlacedGlyph& glyph = box.glyphs[i];
                indexes.append(glyph.glyph);
                positions.append(glyph.position);
            }
            QGlyphRun run;
            run.setRawFont(span.font->rawAt(box.pixelSize));
            run.setGlyphIndexes(indexes);
            painter.save();
            // 長体: the glyphs narrower down the column, each about its own origin.
            painter.scale(1, box.condense);
            for (QPointF& position : positions)
                position.ry() /= box.condense;
            if (span.sideways) {
                painter.rotate(90);
                for (QPointF& position : positions)
                    position = QPointF(position.y(), -position.x());
            }
            run.setPositions(positions);
            painter.drawGlyphRun(QPointF(0, 0), run);
            painter.restore();
        }
    }
    painter.restore();
}

} // namespace velta
