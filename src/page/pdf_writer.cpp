#include "pdf_writer.h"

#include "page_fonts.h"
#include "page_renderer.h"

#include "safe_output.h"

#include <QHash>

#include <cairo-ft.h>
#include <cairo-pdf.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include FT_TRUETYPE_TAGS_H

#include <cmath>

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

QByteArray headTable(FT_Face face) {
    FT_ULong length = 0;
    if (FT_Load_Sfnt_Table(face, TTAG_head, 0, nullptr, &length) != 0)
        return {};
    QByteArray table(static_cast<qsizetype>(length), Qt::Uninitialized);
    FT_Load_Sfnt_Table(face, TTAG_head, 0, reinterpret_cast<FT_Byte*>(table.data()), &length);
    return table;
}

// The font file behind a page font: the file of its family whose tables are the ones Qt
// loaded, so the glyph numbers shaped from Qt's tables draw the same glyphs here.
FT_Face findFace(const PageFont& font) {
    const QByteArray head = font.table("head");
    const QByteArray family = font.family().toUtf8();
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.constData()));
    FcObjectSet* objects = FcObjectSetBuild(FC_FILE, FC_INDEX, nullptr);
    FcFontSet* set = FcFontList(nullptr, pattern, objects);
    FT_Face found = nullptr;
    for (int i = 0; set && i < set->nfont && !found; ++i) {
        FcChar8* file = nullptr;
        int index = 0;
        if (FcPatternGetString(set->fonts[i], FC_FILE, 0, &file) != FcResultMatch)
            continue;
        FcPatternGetInteger(set->fonts[i], FC_INDEX, 0, &index);
        FT_Face face = nullptr;
        if (FT_New_Face(freeType(), reinterpret_cast<const char*>(file), index, &face) != 0)
            continue;
        if (headTable(face) == head)
            found = face;
        else
            FT_Done_Face(face);
    }
    if (set)
        FcFontSetDestroy(set);
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    return found;
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

// Writes consecutive glyphs of one orientation as one run that carries its characters.
void showRun(cairo_t* cr, const QVector<PlacedGlyph>& glyphs, qsizetype first, qsizetype end) {
    const bool sideways = glyphs[first].sideways;
    QVector<cairo_glyph_t> run;
    QVector<cairo_text_cluster_t> clusters;
    QByteArray utf8;
    for (qsizetype i = first; i < end; ++i) {
        const PlacedGlyph& glyph = glyphs[i];
        // Turned a quarter turn clockwise, a page point (x, y) is (y, -x).
        const QPointF at =
            sideways ? QPointF(glyph.position.y(), -glyph.position.x()) : glyph.position;
        run.append({glyph.glyph, at.x(), at.y()});
        if (!glyph.text.isEmpty() || clusters.isEmpty()) {
            const QByteArray bytes = glyph.text.toUtf8();
            utf8 += bytes;
            clusters.append({static_cast<int>(bytes.size()), 1});
        } else {
            ++clusters.back().num_glyphs;
        }
    }
    cairo_save(cr);
    if (sideways)
        cairo_rotate(cr, M_PI / 2);
    cairo_show_text_glyphs(cr, utf8.constData(), static_cast<int>(utf8.size()), run.constData(),
                           static_cast<int>(run.size()), clusters.constData(),
                           static_cast<int>(clusters.size()), cairo_text_cluster_flags_t(0));
    cairo_restore(cr);
}

bool drawPage(cairo_t* cr, const PreparedPage& page, QString* missingFace) {
    cairo_save(cr);
    cairo_scale(cr, 72.0 / 96.0, 72.0 / 96.0); // page units to points
    cairo_set_source_rgb(cr, 0, 0, 0);
    for (const LaidOutBox& box : layOutPage(page)) {
        if (box.glyphs.isEmpty())
            continue;
        cairo_font_face_t* face = cairoFace(pageFont(box.family, box.weight));
        if (!face) {
            *missingFace = box.family;
            cairo_restore(cr);
            return false;
        }
        cairo_set_font_face(cr, face);
        cairo_set_font_size(cr, box.pixelSize);
        qsizetype first = 0;
        for (qsizetype i = 1; i <= box.glyphs.size(); ++i)
            if (i == box.glyphs.size() || box.glyphs[i].sideways != box.glyphs[first].sideways) {
                showRun(cr, box.glyphs, first, i);
                first = i;
            }
    }
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

bool writePdf(const QString& fileName, const QVector<PreparedPage>& pages, QString* error) {
    auto fail = [&](const QString& why) {
        if (error)
            *error =
                QStringLiteral("PDF「%1」を書き出せませんでした。元のファイルはそのままです。\n%2")
                    .arg(fileName, why);
        return false;
    };
    if (pages.isEmpty())
        return fail(QStringLiteral("書き出すはがきがありません。"));
    SafeOutput file(fileName);
    if (!file.open())
        return fail(file.errorString());

    const PageSetup& first = pages.first().page;
    cairo_surface_t* surface = cairo_pdf_surface_create_for_stream(
        writeTo, &file.device(), first.PaperWidth * kPointsPerMm, first.PaperHeight * kPointsPerMm);
    cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_CREATOR, "VELTA");
    cairo_t* cr = cairo_create(surface);
    QString missingFace;
    bool drawn = true;
    for (const PreparedPage& page : pages) {
        cairo_pdf_surface_set_size(surface, page.page.PaperWidth * kPointsPerMm,
                                   page.page.PaperHeight * kPointsPerMm);
        if (!(drawn = drawPage(cr, page, &missingFace)))
            break;
    }
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    const cairo_status_t status = cairo_surface_status(surface);
    cairo_surface_destroy(surface);

    if (!drawn)
        return fail(QStringLiteral("書体「%1」のファイルが見つかりません。").arg(missingFace));
    if (status != CAIRO_STATUS_SUCCESS || !file.commit()) {
        const QString why = file.errorString();
        return fail(why.isEmpty() ? QString::fromUtf8(cairo_status_to_string(status)) : why);
    }
    return true;
}

} // namespace velta
