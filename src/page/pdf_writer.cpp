#include "pdf_writer.h"

#include "page_fonts.h"
#include "page_renderer.h"

#include "safe_output.h"

#include <QHash>

#include <cairo-ft.h>
#include <cairo-pdf.h>
#include <cairo.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include FT_TRUETYPE_TAGS_H

#include <cmath>
#include <string>
#include <vector>

namespace velta {
namespace {

constexpr double kPointsPerMm = 72.0 / 25.4;

FT_Library freeType() {
    static FT_Library library = [] {
        FT_Library made = nullptr;
        FT_Init_FreeType(&made);
        return made;
    }();
    return library;
}

// The font file behind a page font, opened by FreeType: the very tables the page was shaped
// with, so its glyph numbers draw the same glyphs here.
FT_Face findFace(const PageFont& font) {
    FT_Face face = nullptr;
    if (font.file().isEmpty() ||
        FT_New_Face(freeType(), font.file().constData(), font.faceIndex(), &face) != 0)
        return nullptr;
    return face;
}

cairo_font_face_t* cairoFace(const PageFont& font) {
    static QHash<const PageFont*, cairo_font_face_t*> cache; // kept for the whole run
    static const cairo_user_data_key_t key{};
    if (auto found = cache.find(&font); found != cache.end())
        return *found;
    FT_Face face = findFace(font);
    cairo_font_face_t* made = nullptr;
    if (face) {
        made = cairo_ft_font_face_create_for_ft_face(face, FT_LOAD_NO_HINTING);
        cairo_font_face_set_user_data(made, &key, face,
                                      [](void* data) { FT_Done_Face(static_cast<FT_Face>(data)); });
    }
    cache.insert(&font, made);
    return made;
}

// Appends a text as UTF-8 without a buffer of its own (a run is built for every card).
void appendUtf8(QStringView text, std::string& out) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t code = text[i].unicode();
        if (QChar::isHighSurrogate(code) && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            code = QChar::surrogateToUcs4(char16_t(code), text[++i].unicode());
        if (code < 0x80) {
            out += char(code);
        } else if (code < 0x800) {
            out += char(0xC0 | code >> 6);
            out += char(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += char(0xE0 | code >> 12);
            out += char(0x80 | (code >> 6 & 0x3F));
            out += char(0x80 | (code & 0x3F));
        } else {
            out += char(0xF0 | code >> 18);
            out += char(0x80 | (code >> 12 & 0x3F));
            out += char(0x80 | (code >> 6 & 0x3F));
            out += char(0x80 | (code & 0x3F));
        }
    }
}

// Glyphs of one face, size, 長体 and orientation, gathered across boxes in their order and
// written as one run that carries its characters: a card's code digits, a box each, go out in
// one call, since each call costs cairo far more than its glyphs do.
class GlyphRun {
public:
    struct Style {
        cairo_font_face_t* face;
        double pixelSize, condense;
        bool sideways;
        bool operator==(const Style&) const = default;
    };

    void add(cairo_t* cr, const Style& style, const QVector<PlacedGlyph>& glyphs, qsizetype first,
             qsizetype end) {
        if (!(style == style_))
            flush(cr);
        style_ = style;
        for (qsizetype i = first; i < end; ++i) {
            const PlacedGlyph& glyph = glyphs[i];
            // 長体 scales the page down the column; turned a quarter turn clockwise, a page
            // point (x, y) is (y, -x).
            const QPointF page(glyph.position.x(), glyph.position.y() / style.condense);
            const QPointF at = style.sideways ? QPointF(page.y(), -page.x()) : page;
            glyphs_.push_back({glyph.glyph, at.x(), at.y()});
            if (!glyph.text.isEmpty() || clusters_.empty()) {
                const size_t before = utf8_.size();
                appendUtf8(glyph.text, utf8_);
                clusters_.push_back({static_cast<int>(utf8_.size() - before), 1});
            } else {
                ++clusters_.back().num_glyphs;
            }
        }
    }

    void flush(cairo_t* cr) {
        if (glyphs_.empty())
            return;
        cairo_set_font_face(cr, style_.face);
        cairo_set_font_size(cr, style_.pixelSize);
        // Upright glyphs at full width, most of a card, need no transformation of their own.
        const bool transformed = style_.condense != 1 || style_.sideways;
        if (transformed) {
            cairo_save(cr);
            if (style_.condense != 1)
                cairo_scale(cr, 1, style_.condense);
            if (style_.sideways)
                cairo_rotate(cr, M_PI / 2);
        }
        cairo_show_text_glyphs(cr, utf8_.data(), static_cast<int>(utf8_.size()), glyphs_.data(),
                               static_cast<int>(glyphs_.size()), clusters_.data(),
                               static_cast<int>(clusters_.size()), cairo_text_cluster_flags_t(0));
        if (transformed)
            cairo_restore(cr);
        glyphs_.clear();
        clusters_.clear();
        utf8_.clear();
    }

private:
    Style style_{};
    std::vector<cairo_glyph_t> glyphs_;
    std::vector<cairo_text_cluster_t> clusters_;
    std::string utf8_;
};

void drawPaths(cairo_t* cr, const QVector<PagePath>& paths) {
    cairo_save(cr);
    cairo_scale(cr, kPointsPerMm, kPointsPerMm);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
    for (const PagePath& path : paths) {
        if (path.points.isEmpty())
            continue;
        cairo_new_path(cr);
        cairo_move_to(cr, path.points.first().x(), path.points.first().y());
        for (qsizetype i = 1; i < path.points.size(); ++i)
            cairo_line_to(cr, path.points[i].x(), path.points[i].y());
        if (path.closed || path.filled)
            cairo_close_path(cr);
        cairo_set_source_rgb(cr, path.colour.redF(), path.colour.greenF(), path.colour.blueF());
        cairo_set_line_width(cr, path.widthMm);
        if (path.filled)
            cairo_fill(cr);
        else
            cairo_stroke(cr);
    }
    cairo_restore(cr);
}

bool drawPage(cairo_t* cr, QPointF offset, const QVector<LaidOutBox>& boxes,
              const QVector<PagePath>& paths, QString* missingFace) {
    cairo_save(cr);
    cairo_translate(cr, offset.x() * kPointsPerMm, offset.y() * kPointsPerMm);
    drawPaths(cr, paths);
    cairo_scale(cr, 72.0 / 96.0, 72.0 / 96.0); // page units to points
    cairo_set_source_rgb(cr, 0, 0, 0);
    static GlyphRun run; // its buffers serve every page
    for (const LaidOutBox& box : boxes)
        for (const GlyphSpan& span : glyphSpans(box)) {
            cairo_font_face_t* face = cairoFace(*span.font);
            if (!face) {
                *missingFace = span.font->family();
                run = GlyphRun();
                cairo_restore(cr);
                return false;
            }
            run.add(cr, {face, box.pixelSize, box.condense, span.sideways}, box.glyphs, span.first,
                    span.end);
        }
    run.flush(cr);
    cairo_restore(cr);
    cairo_show_page(cr);
    return true;
}

cairo_status_t writeTo(void* closure, const unsigned char* data, unsigned int length) {
    auto* file = static_cast<QIODevice*>(closure);
    return file->write(reinterpret_cast<const char*>(data), length) == qint64(length)
               ? CAIRO_STATUS_SUCCESS
               : CAIRO_STATUS_WRITE_ERROR;
}

} // namespace

struct PdfWriter::Surface {
    explicit Surface(const QString& fileName) : file(fileName) {}
    ~Surface() {
        if (cr)
            cairo_destroy(cr);
        if (surface)
            cairo_surface_destroy(surface);
    }
    SafeOutput file;
    cairo_surface_t* surface = nullptr;
    cairo_t* cr = nullptr;
    QSizeF size; // of the pages written so far, in points
};

PdfWriter::PdfWriter(const QString& fileName) : fileName_(fileName) {}
PdfWriter::~PdfWriter() = default;

bool PdfWriter::fail(const QString& why) {
    error_ = QStringLiteral("PDF「%1」を書き出せませんでした。元のファイルはそのままです。\n%2")
                 .arg(fileName_, why);
    surface_.reset();
    return false;
}

bool PdfWriter::addPage(const PageSetup& page, const QVector<LaidOutBox>& boxes,
                        const QVector<PagePath>& paths) {
    if (!error_.isEmpty())
        return false;
    const double width = page.PaperWidth * kPointsPerMm, height = page.PaperHeight * kPointsPerMm;
    if (!surface_) {
        surface_ = std::make_unique<Surface>(fileName_);
        if (!surface_->file.open())
            return fail(surface_->file.errorString());
        surface_->surface =
            cairo_pdf_surface_create_for_stream(writeTo, &surface_->file.device(), width, height);
        cairo_pdf_surface_set_metadata(surface_->surface, CAIRO_PDF_METADATA_CREATOR, "VELTA");
        surface_->cr = cairo_create(surface_->surface);
    }
    if (QSizeF(width, height) != surface_->size) { // a new paper only: a page keeps the last
        cairo_pdf_surface_set_size(surface_->surface, width, height);
        surface_->size = QSizeF(width, height);
    }
    QString missingFace;
    if (!drawPage(surface_->cr, offset_, boxes, paths, &missingFace))
        return fail(QStringLiteral("書体「%1」のファイルが見つかりません。").arg(missingFace));
    if (const cairo_status_t status = cairo_surface_status(surface_->surface);
        status != CAIRO_STATUS_SUCCESS) {
        const QString why = surface_->file.errorString();
        return fail(why.isEmpty() ? QString::fromUtf8(cairo_status_to_string(status)) : why);
    }
    ++pages_;
    return true;
}

bool PdfWriter::finish() {
    if (!error_.isEmpty())
        return false;
    if (!surface_)
        return fail(QStringLiteral("書き出すはがきがありません。"));
    cairo_destroy(surface_->cr);
    surface_->cr = nullptr;
    cairo_surface_finish(surface_->surface);
    const cairo_status_t status = cairo_surface_status(surface_->surface);
    if (status != CAIRO_STATUS_SUCCESS || !surface_->file.commit()) {
        const QString why = surface_->file.errorString();
        return fail(why.isEmpty() ? QString::fromUtf8(cairo_status_to_string(status)) : why);
    }
    surface_.reset();
    return true;
}

bool writePdf(const QString& fileName, const QVector<PreparedPage>& pages, QString* error,
              const Progress& progress, QPointF offsetMm) {
    PdfWriter writer(fileName);
    writer.setOffset(offsetMm);
    bool written = true;
    for (qsizetype i = 0; i < pages.size() && written; ++i) {
        if (progress && !progress(i, pages.size())) {
            if (error)
                *error = QStringLiteral("中止しました。ファイルは書き出していません。");
            return false;
        }
        written = writer.addPage(pages[i]);
    }
    if (written && writer.finish())
        return true;
    if (error)
        *error = writer.error();
    return false;
}

} // namespace velta
