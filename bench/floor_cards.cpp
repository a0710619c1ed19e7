// The floor velta-cards is measured against: the least a card run must do, with the same parts
// and none of VELTA's own code. It reads the book's rows through the Firebird client, converts
// them from Shift-JIS, shapes the address and the name vertically and the code with HarfBuzz,
// and writes one PDF page a card with cairo (the same faces, text kept with its glyphs):
//   build/bench/floor_cards DATA.GDB cards.pdf
// No composition, no checks, no sorting by reading: what is left is what a card costs anyway.
#include <cairo-ft.h>
#include <cairo-pdf.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <firebird/Interface.h>
#include <hb.h>
#include <iconv.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr double kPointsPerMm = 72 / 25.4;

struct Face {
    FT_Face ft = nullptr;
    hb_font_t* hb = nullptr;
    cairo_font_face_t* cairo = nullptr;
    unsigned upem = 1000;
};

Face openFace(FT_Library library, const char* pattern) {
    FcPattern* wanted = FcNameParse(reinterpret_cast<const FcChar8*>(pattern));
    FcConfigSubstitute(nullptr, wanted, FcMatchPattern);
    FcDefaultSubstitute(wanted);
    FcResult result;
    FcPattern* found = FcFontMatch(nullptr, wanted, &result);
    FcChar8* file = nullptr;
    int index = 0;
    FcPatternGetString(found, FC_FILE, 0, &file);
    FcPatternGetInteger(found, FC_INDEX, 0, &index);
    Face face;
    FT_New_Face(library, reinterpret_cast<const char*>(file), index, &face.ft);
    hb_blob_t* blob = hb_blob_create_from_file(reinterpret_cast<const char*>(file));
    hb_face_t* shaping = hb_face_create(blob, static_cast<unsigned>(index));
    face.hb = hb_font_create(shaping);
    face.upem = hb_face_get_upem(shaping);
    hb_face_destroy(shaping);
    hb_blob_destroy(blob);
    face.cairo = cairo_ft_font_face_create_for_ft_face(face.ft, FT_LOAD_NO_HINTING);
    FcPatternDestroy(found);
    FcPatternDestroy(wanted);
    return face;
}

// Shapes a text and draws it from (x, y) in points: down a column or along a line.
void show(cairo_t* cr, const Face& face, const std::string& text, double size, double x, double y,
          bool vertical) {
    if (text.empty())
        return;
    hb_buffer_t* buffer = hb_buffer_create();
    hb_buffer_add_utf8(buffer, text.c_str(), static_cast<int>(text.size()), 0, -1);
    hb_buffer_set_direction(buffer, vertical ? HB_DIRECTION_TTB : HB_DIRECTION_LTR);
    hb_buffer_set_script(buffer, HB_SCRIPT_HAN);
    hb_buffer_set_language(buffer, hb_language_from_string("ja", -1));
    hb_shape(face.hb, buffer, nullptr, 0);
    unsigned count = 0;
    const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buffer, &count);
    const hb_glyph_position_t* position = hb_buffer_get_glyph_positions(buffer, &count);
    const double scale = size / face.upem;
    std::vector<cairo_glyph_t> glyphs(count);
    std::vector<cairo_text_cluster_t> clusters;
    double penX = x, penY = y;
    for (unsigned i = 0; i < count; ++i) {
        glyphs[i] = {info[i].codepoint, penX + position[i].x_offset * scale,
                     penY - position[i].y_offset * scale};
        penX += position[i].x_advance * scale;
        penY -= position[i].y_advance * scale;
        const unsigned end = i + 1 < count ? info[i + 1].cluster : text.size();
        clusters.push_back({static_cast<int>(end - info[i].cluster), 1});
    }
    cairo_set_font_face(cr, face.cairo);
    cairo_set_font_size(cr, size);
    cairo_show_text_glyphs(cr, text.c_str(), static_cast<int>(text.size()), glyphs.data(),
                           static_cast<int>(count), clusters.data(),
                           static_cast<int>(clusters.size()), cairo_text_cluster_flags_t(0));
    hb_buffer_destroy(buffer);
}

std::string utf8(iconv_t convert, const char* bytes, size_t length) {
    std::string out(length * 3 + 4, '\0');
    char* in = const_cast<char*>(bytes);
    char* to = out.data();
    size_t left = out.size();
    iconv(convert, nullptr, nullptr, nullptr, nullptr);
    iconv(convert, &in, &length, &to, &left);
    out.resize(out.size() - left);
    return out;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fputs("usage: floor_cards DATABASE OUTPUT.pdf\n", stderr);
        return 2;
    }
    FT_Library library = nullptr;
    FT_Init_FreeType(&library);
    const Face serif = openFace(library, "Noto Serif CJK JP:bold");
    const Face sans = openFace(library, "Noto Sans CJK JP");
    iconv_t convert = iconv_open("UTF-8", "CP932");

    using namespace Firebird;
    IMaster* master = fb_get_master_interface();
    ThrowStatusWrapper status(master->getStatus());
    try {
        IXpbBuilder* dpb =
            master->getUtilInterface()->getXpbBuilder(&status, IXpbBuilder::DPB, nullptr, 0);
        dpb->insertString(&status, isc_dpb_user_name, "SYSDBA");
        dpb->insertString(&status, isc_dpb_lc_ctype, "SJIS_0208");
        IProvider* provider = master->getDispatcher();
        IAttachment* attachment = provider->attachDatabase(
            &status, argv[1], dpb->getBufferLength(&status), dpb->getBuffer(&status));
        ITransaction* transaction = attachment->startTransaction(&status, 0, nullptr);
        IStatement* statement = attachment->prepare(
            &status, transaction, 0,
            "select YUBINNO, JYUSYO, JYUSYO2, NAMAE, NAMAE2 from MST_KOKYAKU where NAMAE <> '' "
            "order by KEY1",
            3, IStatement::PREPARE_PREFETCH_METADATA);
        IMessageMetadata* metadata = statement->getOutputMetadata(&status);
        std::vector<unsigned char> row(metadata->getMessageLength(&status));
        IResultSet* rows =
            statement->openCursor(&status, transaction, nullptr, nullptr, metadata, 0);

        cairo_surface_t* surface =
            cairo_pdf_surface_create(argv[2], 100 * kPointsPerMm, 148 * kPointsPerMm);
        cairo_t* cr = cairo_create(surface);
        const std::string sender[] = {"大阪府大阪市北区梅田３－１－１", "佐々木　健太郎"};
        int cards = 0;
        while (rows->fetchNext(&status, row.data()) == IStatus::RESULT_OK) {
            std::string field[5];
            for (unsigned i = 0; i < 5; ++i) {
                if (*reinterpret_cast<short*>(&row[metadata->getNullOffset(&status, i)]))
                    continue;
                const unsigned char* value = &row[metadata->getOffset(&status, i)];
                const bool varying = (metadata->getType(&status, i) & ~1u) == SQL_VARYING;
                const size_t length = varying ? *reinterpret_cast<const unsigned short*>(value)
                                              : metadata->getLength(&status, i);
                field[i] =
                    utf8(convert, reinterpret_cast<const char*>(value + (varying ? 2 : 0)), length);
            }
            show(cr, serif, field[0], 17, 45 * kPointsPerMm, 20 * kPointsPerMm, false);
            show(cr, serif, field[1], 10, 85 * kPointsPerMm, 30 * kPointsPerMm, true);
            show(cr, serif, field[2], 10, 76 * kPointsPerMm, 36 * kPointsPerMm, true);
            show(cr, serif, field[3] + "　" + field[4] + "　様", 20, 46 * kPointsPerMm,
                 42 * kPointsPerMm, true);
            show(cr, sans, sender[0], 7, 22 * kPointsPerMm, 64 * kPointsPerMm, true);
            show(cr, sans, sender[1], 8, 13 * kPointsPerMm, 88 * kPointsPerMm, true);
            show(cr, sans, "5300001", 10, 6 * kPointsPerMm, 143 * kPointsPerMm, false);
            cairo_show_page(cr);
            ++cards;
        }
        cairo_destroy(cr);
        cairo_surface_finish(surface);
        const bool written = cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS;
        cairo_surface_destroy(surface);
        rows->close(&status);
        statement->free(&status);
        transaction->commit(&status);
        attachment->detach(&status);
        std::printf("%d cards\n", cards);
        return written ? 0 : 1;
    } catch (const FbException& error) {
        char text[1024];
        master->getUtilInterface()->formatStatus(text, sizeof text, error.getStatus());
        std::fprintf(stderr, "%s\n", text);
        return 1;
    }
}
