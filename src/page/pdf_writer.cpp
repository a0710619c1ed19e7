#include "pdf_writer.h"

#include "page_fonts.h"
#include "page_renderer.h"

#include "safe_output.h"

#include <QHash>
#include <QVarLengthArray>

#include <cairo-ft.h>
#include <cairo-pdf.h>
#include <cairo.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include FT_TRUETYPE_TAGS_H

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
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
    static std::mutex guard; // writers may draw on threads of their own
    const std::lock_guard lock(guard);
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

cairo_status_t writeTo(void* closure, const unsigned char* data, unsigned int length) {
    auto* file = static_cast<QIODevice*>(closure);
    return file->write(reinterpret_cast<const char*>(data), length) == qint64(length)
               ? CAIRO_STATUS_SUCCESS
               : CAIRO_STATUS_WRITE_ERROR;
}

} // namespace

// A page in cairo's terms: its paths, and its glyphs in runs of one face, size, 長体 and
// orientation, each run carrying its characters. Boxes of one style go out together, where the
// first of them comes (a card's seven code digits, a box each, are one call, and the page
// switches faces and sizes a few times instead of a dozen: cairo's cost is per call and per
// switch far more than per glyph); all text is the one black, so the order draws the same.
// Made where the page is laid out, of plain data, so that another thread may draw it.
struct PdfWriter::Drawing {
    struct Run {
        const PageFont* font;
        double pixelSize, condense;
        bool sideways;
        size_t glyphEnd = 0, clusterEnd = 0, utf8End = 0;
        bool sameStyle(const Run& other) const {
            return font == other.font && pixelSize == other.pixelSize &&
                   condense == other.condense && sideways == other.sideways;
        }
    };
    PageSetup setup;
    QVector<PagePath> paths;
    std::vector<Run> runs;
    std::vector<cairo_glyph_t> glyphs;
    std::vector<cairo_text_cluster_t> clusters;
    std::string utf8;

    // Made again for another page in the buffers it has.
    void make(const PageSetup& page, const QVector<LaidOutBox>& boxes,
              const QVector<PagePath>& pagePaths) {
        setup = page;
        paths = pagePaths;
        runs.clear();
        glyphs.clear();
        clusters.clear();
        utf8.clear();
        // A box of one style goes with the first box of its style; a box of several (a face
        // standing in, a character lying down) stays whole where it is, so that its text
        // reads in its order.
        struct Piece {
            const LaidOutBox* box;
            QVector<GlyphSpan> spans;
            qsizetype group;
        };
        QVarLengthArray<Piece, 32> pieces;
        auto styleOf = [](const LaidOutBox& box, const GlyphSpan& span) -> Run {
            return {span.font, box.pixelSize, box.condense, span.sideways};
        };
        for (const LaidOutBox& box : boxes) {
            Piece piece{&box, glyphSpans(box), pieces.size()};
            if (piece.spans.size() == 1) {
                const Run style = styleOf(box, piece.spans[0]);
                const auto alike = std::find_if(pieces.begin(), pieces.end(), [&](const Piece& p) {
                    return p.spans.size() == 1 && styleOf(*p.box, p.spans[0]).sameStyle(style);
                });
                if (alike != pieces.end())
                    piece.group = alike->group;
            }
            pieces.append(piece);
        }
        std::stable_sort(pieces.begin(), pieces.end(),
                         [](const Piece& a, const Piece& b) { return a.group < b.group; });
        for (const Piece& piece : pieces)
            for (const GlyphSpan& span : piece.spans)
                add(styleOf(*piece.box, span), piece.box->glyphs, span.first, span.end);
    }

    void add(const Run& style, const QVector<PlacedGlyph>& boxGlyphs, qsizetype first,
             qsizetype end) {
        bool runIsEmpty = runs.empty() || !runs.back().sameStyle(style);
        if (runIsEmpty)
            runs.push_back(style);
        for (qsizetype i = first; i < end; ++i) {
            const PlacedGlyph& glyph = boxGlyphs[i];
            // 長体 scales the page down the column; turned a quarter turn clockwise, a page
            // point (x, y) is (y, -x).
            const QPointF page(glyph.position.x(), glyph.position.y() / style.condense);
            const QPointF at = style.sideways ? QPointF(page.y(), -page.x()) : page;
            glyphs.push_back({glyph.glyph, at.x(), at.y()});
            if (!glyph.text.isEmpty() || runIsEmpty) {
                const size_t before = utf8.size();
                appendUtf8(glyph.text, utf8);
                clusters.push_back({static_cast<int>(utf8.size() - before), 1});
                runIsEmpty = false;
            } else {
                ++clusters.back().num_glyphs;
            }
        }
        Run& run = runs.back();
        run.glyphEnd = glyphs.size();
        run.clusterEnd = clusters.size();
        run.utf8End = utf8.size();
    }

    // Draws the page on the surface of `cr` and ends it; false, with the family named, when a
    // face's file cannot be opened.
    bool draw(cairo_t* cr, QPointF offset, QString* missingFace) const {
        cairo_save(cr);
        cairo_translate(cr, offset.x() * kPointsPerMm, offset.y() * kPointsPerMm);
        drawPaths(cr, paths);
        cairo_scale(cr, 72.0 / 96.0, 72.0 / 96.0); // page units to points
        cairo_set_source_rgb(cr, 0, 0, 0);
        size_t glyph = 0, cluster = 0, byte = 0;
        for (const Run& run : runs) {
            cairo_font_face_t* face = cairoFace(*run.font);
            if (!face) {
                *missingFace = run.font->family();
                cairo_restore(cr);
                return false;
            }
            cairo_set_font_face(cr, face);
            cairo_set_font_size(cr, run.pixelSize);
            // Upright glyphs at full width, most of a card, need no transformation of their own.
            const bool transformed = run.condense != 1 || run.sideways;
            if (transformed) {
                cairo_save(cr);
                if (run.condense != 1)
                    cairo_scale(cr, 1, run.condense);
                if (run.sideways)
                    cairo_rotate(cr, M_PI / 2);
            }
            cairo_show_text_glyphs(
                cr, utf8.data() + byte, static_cast<int>(run.utf8End - byte), glyphs.data() + glyph,
                static_cast<int>(run.glyphEnd - glyph), clusters.data() + cluster,
                static_cast<int>(run.clusterEnd - cluster), cairo_text_cluster_flags_t(0));
            if (transformed)
                cairo_restore(cr);
            glyph = run.glyphEnd;
            cluster = run.clusterEnd;
            byte = run.utf8End;
        }
        cairo_restore(cr);
        cairo_show_page(cr);
        return true;
    }
};

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

// Pages go to the drawing thread a batch at a time (a hand-over per page cost more than the
// drawing won), a few batches at most: a long run keeps its memory flat. Drawn batches come
// back to be filled again: memory made on one thread and freed on the other kept both
// threads' allocator busy.
struct PdfWriter::Background {
    struct Batch {
        std::vector<Drawing> pages; // the first `used` are this batch's
        size_t used = 0;
    };
    static constexpr size_t kBatch = 32, kMostBatches = 2;
    Batch gathering; // the caller's, not yet handed over
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<Batch> waiting;
    std::vector<Batch> drawn; // to be filled again
    bool closing = false, failed = false;
    QString error; // the drawing's, until the writer takes it
    std::thread thread;
};

PdfWriter::PdfWriter(const QString& fileName) : fileName_(fileName) {}

PdfWriter::~PdfWriter() {
    stopDrawing();
}

void PdfWriter::drawInBackground() {
    if (background_)
        return;
    background_ = std::make_unique<Background>();
    background_->thread = std::thread([this] {
        Background& b = *background_;
        std::unique_lock lock(b.mutex);
        for (;;) {
            b.changed.wait(lock, [&] { return b.closing || !b.waiting.empty(); });
            if (b.waiting.empty())
                return;
            Background::Batch batch = std::move(b.waiting.front());
            b.waiting.pop_front();
            const bool lost = b.failed; // the file is lost already: what waits is dropped
            lock.unlock();
            b.changed.notify_all();
            QString why;
            bool drawn = true;
            for (size_t i = 0; i < batch.used && !lost && drawn; ++i)
                drawn = draw(batch.pages[i], &why);
            lock.lock();
            batch.used = 0;
            b.drawn.push_back(std::move(batch));
            if (!lost && !drawn) {
                b.failed = true;
                b.error = why;
            }
        }
    });
}

// Hands the gathered pages to the drawing thread; false when its drawing failed.
bool PdfWriter::handOver() {
    Background& b = *background_;
    if (b.gathering.used == 0)
        return true;
    std::unique_lock lock(b.mutex);
    b.changed.wait(lock, [&] { return b.failed || b.waiting.size() < Background::kMostBatches; });
    if (b.failed)
        return false;
    b.waiting.push_back(std::move(b.gathering));
    b.gathering = {};
    if (!b.drawn.empty()) {
        b.gathering = std::move(b.drawn.back());
        b.drawn.pop_back();
    }
    lock.unlock();
    b.changed.notify_all();
    return true;
}

void PdfWriter::stopDrawing() {
    if (!background_)
        return;
    handOver();
    {
        const std::lock_guard lock(background_->mutex);
        background_->closing = true;
    }
    background_->changed.notify_all();
    background_->thread.join();
    const QString why = background_->failed ? background_->error : QString();
    background_.reset();
    if (!why.isNull() && error_.isEmpty())
        fail(why);
}

bool PdfWriter::fail(const QString& why) {
    error_ = QStringLiteral("PDF「%1」を書き出せませんでした。元のファイルはそのままです。\n%2")
                 .arg(fileName_, why);
    surface_.reset();
    return false;
}

bool PdfWriter::open(const PageSetup& page) {
    surface_ = std::make_unique<Surface>(fileName_);
    if (!surface_->file.open())
        return fail(surface_->file.errorString());
    surface_->surface = cairo_pdf_surface_create_for_stream(writeTo, &surface_->file.device(),
                                                            page.PaperWidth * kPointsPerMm,
                                                            page.PaperHeight * kPointsPerMm);
    cairo_pdf_surface_set_metadata(surface_->surface, CAIRO_PDF_METADATA_CREATOR, "VELTA");
    surface_->cr = cairo_create(surface_->surface);
    return true;
}

bool PdfWriter::draw(const Drawing& page, QString* why) {
    const QSizeF size(page.setup.PaperWidth * kPointsPerMm, page.setup.PaperHeight * kPointsPerMm);
    if (size != surface_->size) { // a new paper only: a page keeps the last
        cairo_pdf_surface_set_size(surface_->surface, size.width(), size.height());
        surface_->size = size;
    }
    QString missingFace;
    if (!page.draw(surface_->cr, offset_, &missingFace)) {
        *why = QStringLiteral("書体「%1」のファイルが見つかりません。").arg(missingFace);
        return false;
    }
    if (const cairo_status_t status = cairo_surface_status(surface_->surface);
        status != CAIRO_STATUS_SUCCESS) {
        const QString reason = surface_->file.errorString();
        *why = reason.isEmpty() ? QString::fromUtf8(cairo_status_to_string(status)) : reason;
        return false;
    }
    return true;
}

bool PdfWriter::addPage(const PageSetup& page, const QVector<LaidOutBox>& boxes,
                        const QVector<PagePath>& paths) {
    if (!error_.isEmpty())
        return false;
    if (!surface_ && !open(page))
        return false;
    if (!background_) {
        thread_local Drawing drawing; // its buffers serve every page
        drawing.make(page, boxes, paths);
        QString why;
        if (!draw(drawing, &why))
            return fail(why);
        ++pages_;
        return true;
    }
    Background::Batch& batch = background_->gathering;
    if (batch.used == batch.pages.size())
        batch.pages.emplace_back();
    batch.pages[batch.used++].make(page, boxes, paths);
    if (batch.used >= Background::kBatch && !handOver()) {
        stopDrawing();
        return false;
    }
    ++pages_;
    return true;
}

bool PdfWriter::finish() {
    stopDrawing();
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
    writer.drawInBackground(); // each page is laid out while the one before is drawn
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
