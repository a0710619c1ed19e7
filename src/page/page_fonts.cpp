#include "page_fonts.h"

#include "font_substitution.h"

#include <QFont>
#include <QFontDatabase>
#include <QSet>

#include <fontconfig/fontconfig.h>
#include <hb-ot.h>
#include <hb.h>

#include <algorithm>
#include <memory>
#include <tuple>

namespace velta {
namespace {

hb_blob_t* referenceTable(hb_face_t*, hb_tag_t tag, void* userData) {
    const auto* raw = static_cast<const QRawFont*>(userData);
    const char name[4] = {static_cast<char>(tag >> 24), static_cast<char>(tag >> 16),
                          static_cast<char>(tag >> 8), static_cast<char>(tag)};
    auto* table = new QByteArray(raw->fontTable(name));
    return hb_blob_create(table->constData(), static_cast<unsigned>(table->size()),
                          HB_MEMORY_MODE_READONLY, table,
                          [](void* data) { delete static_cast<QByteArray*>(data); });
}

quint32 firstGlyph(hb_font_t* font, char32_t character, hb_direction_t direction) {
    hb_buffer_t* buffer = hb_buffer_create();
    const uint32_t text[1] = {character};
    hb_buffer_add_utf32(buffer, text, 1, 0, 1);
    hb_buffer_set_direction(buffer, direction);
    hb_buffer_set_script(buffer, HB_SCRIPT_HAN);
    hb_buffer_set_language(buffer, hb_language_from_string("ja", -1));
    hb_shape(font, buffer, nullptr, 0);
    unsigned count = 0;
    const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buffer, &count);
    const quint32 glyph = count > 0 ? info[0].codepoint : 0;
    hb_buffer_destroy(buffer);
    return glyph;
}

// The file (and face index) of a family whose 'head' table is the one Qt loaded: the same
// tables, read straight from the mapped file instead of copied table by table (a CJK face's
// outlines are megabytes).
std::pair<QByteArray, int> fontFileOf(const QString& family, const QByteArray& head) {
    const QByteArray name = family.toUtf8();
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.constData()));
    FcObjectSet* objects = FcObjectSetBuild(FC_FILE, FC_INDEX, nullptr);
    FcFontSet* set = FcFontList(nullptr, pattern, objects);
    std::pair<QByteArray, int> found;
    for (int i = 0; set && i < set->nfont && found.first.isEmpty(); ++i) {
        FcChar8* file = nullptr;
        int index = 0;
        if (FcPatternGetString(set->fonts[i], FC_FILE, 0, &file) != FcResultMatch)
            continue;
        FcPatternGetInteger(set->fonts[i], FC_INDEX, 0, &index);
        hb_blob_t* blob = hb_blob_create_from_file(reinterpret_cast<const char*>(file));
        hb_face_t* face = hb_face_create(blob, static_cast<unsigned>(index));
        hb_blob_t* table = hb_face_reference_table(face, HB_TAG('h', 'e', 'a', 'd'));
        unsigned length = 0;
        const char* data = hb_blob_get_data(table, &length);
        if (!head.isEmpty() &&
            QByteArray::fromRawData(data, static_cast<qsizetype>(length)) == head)
            found = {QByteArray(reinterpret_cast<const char*>(file)), index};
        hb_blob_destroy(table);
        hb_face_destroy(face);
        hb_blob_destroy(blob);
    }
    if (set)
        FcFontSetDestroy(set);
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    return found;
}

struct Candidate {
    QString family;
    int weight;
};

// Whether a family is installed, asked once per name. A family of the font database is; only
// another name is asked of the database, which resolves its aliases through fontconfig (a
// millisecond a question).
bool isInstalled(const QString& family) {
    static const QSet<QString> installed = [] {
        QSet<QString> names;
        for (const QString& name : QFontDatabase::families())
            names.insert(name.toCaseFolded());
        return names;
    }();
    static QHash<QString, bool> known;
    auto found = known.constFind(family);
    if (found == known.constEnd())
        found = known.insert(family, installed.contains(family.toCaseFolded()) ||
                                         QFontDatabase::hasFamily(family));
    return *found;
}

// The installed candidates for a face name, best first (asking the font database is slow).
const QVector<Candidate>& installedCandidates(const QString& faceName) {
    static QHash<QString, QVector<Candidate>> cache;
    const QString face = faceName.startsWith(QLatin1Char('@')) ? faceName.mid(1) : faceName;
    auto found = cache.find(face);
    if (found != cache.end())
        return *found;
    QVector<Candidate> list;
    QVector<FaceChoice> choices = {{face, QFont::Normal}};
    choices += substituteFaceChoices(face);
    for (const FaceChoice& choice : choices)
        if (isInstalled(choice.family))
            list.append({choice.family, choice.weight});
    return *cache.insert(face, list);
}

} // namespace

PageFont::PageFont(const QString& family, int weight) : family_(family), weight_(weight) {
    QFont font(family);
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setPixelSize(100);
    raw_ = QRawFont::fromFont(font);
    std::tie(file_, faceIndex_) = fontFileOf(raw_.familyName(), raw_.fontTable("head"));
    if (file_.isEmpty()) {
        face_ = hb_face_create_for_tables(referenceTable, &raw_, nullptr);
    } else {
        hb_blob_t* blob = hb_blob_create_from_file(file_.constData()); // mapped, not read
        face_ = hb_face_create(blob, static_cast<unsigned>(faceIndex_));
        hb_blob_destroy(blob);
    }
    unitsPerEm_ = std::max(1u, hb_face_get_upem(face_));
    font_ = hb_font_create(face_);
    hb_ot_font_set_funcs(font_);
    hb_font_set_scale(font_, static_cast<int>(unitsPerEm_), static_cast<int>(unitsPerEm_));
    // Lines are one em deep, so the baseline sits where the ideographic em box puts it, not at
    // the line-gap ascender (1.16 em in Noto CJK).
    hb_position_t top = 0, bottom = 0;
    const hb_tag_t japanese = HB_TAG('J', 'A', 'N', ' ');
    hb_ot_layout_get_baseline_with_fallback(font_,
                                            HB_OT_LAYOUT_BASELINE_TAG_IDEO_EMBOX_TOP_OR_RIGHT,
                                            HB_DIRECTION_LTR, HB_SCRIPT_HAN, japanese, &top);
    hb_ot_layout_get_baseline_with_fallback(font_,
                                            HB_OT_LAYOUT_BASELINE_TAG_IDEO_EMBOX_BOTTOM_OR_LEFT,
                                            HB_DIRECTION_LTR, HB_SCRIPT_HAN, japanese, &bottom);
    if (top > bottom) {
        ascender_ = top;
        descender_ = -bottom;
    } else {
        ascender_ = unitsPerEm_ * 0.88;
        descender_ = unitsPerEm_ * 0.12;
    }
}

PageFont::~PageFont() {
    hb_font_destroy(font_);
    hb_face_destroy(face_);
}

const QRawFont& PageFont::rawAt(double pixelSize) const {
    const qint64 key = std::llround(pixelSize * 1024);
    auto found = sized_.find(key);
    if (found == sized_.end()) {
        QRawFont sized = raw_;
        sized.setPixelSize(pixelSize);
        found = sized_.insert(key, sized);
    }
    return *found;
}

bool PageFont::supports(char32_t character) const {
    if (character > 0xFFFF)
        return raw_.supportsCharacter(character);
    if (supported_.empty())
        supported_.assign(0x10000, 0);
    quint8& known = supported_[character];
    if (known == 0)
        known = raw_.supportsCharacter(character) ? 2 : 1;
    return known == 2;
}

const QRectF& PageFont::inkBounds(quint32 glyph) const {
    auto found = inks_.find(glyph);
    if (found == inks_.end())
        found = inks_.insert(glyph, rawAt(kInkSize).boundingRect(glyph));
    return *found;
}

bool PageFont::hasVerticalForm(char32_t character) const {
    auto found = verticalForms_.find(character);
    if (found == verticalForms_.end())
        found =
            verticalForms_.insert(character, firstGlyph(font_, character, HB_DIRECTION_TTB) !=
                                                 firstGlyph(font_, character, HB_DIRECTION_LTR));
    return *found;
}

const PageFont& pageFont(const QString& family, int weight) {
    // Asked for every box of every card: found without making a key.
    static QHash<QString, QHash<int, std::shared_ptr<PageFont>>> cache;
    QHash<int, std::shared_ptr<PageFont>>& weights = cache[family];
    auto found = weights.find(weight);
    if (found == weights.end())
        found = weights.insert(weight, std::make_shared<PageFont>(family, weight));
    return **found;
}

const PageFont& pageFontFor(const QString& faceName, const QString& text) {
    // Asked for every box of every card: the faces of a name are resolved once.
    static QHash<QString, QVector<const PageFont*>> resolved;
    auto found = resolved.find(faceName);
    if (found == resolved.end()) {
        QVector<const PageFont*> fonts;
        for (const Candidate& candidate : installedCandidates(faceName))
            fonts.append(&pageFont(candidate.family, candidate.weight));
        if (fonts.isEmpty())
            fonts.append(&pageFont(
                faceName.startsWith(QLatin1Char('@')) ? faceName.mid(1) : faceName, QFont::Normal));
        found = resolved.insert(faceName, fonts);
    }
    const QVector<const PageFont*>& fonts = *found;
    for (const PageFont* font : fonts) {
        bool all = true;
        for (qsizetype i = 0; i < text.size() && all; ++i) {
            char32_t c = text.at(i).unicode();
            if (text.at(i).isHighSurrogate() && i + 1 < text.size() &&
                text.at(i + 1).isLowSurrogate()) {
                c = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
                ++i;
            }
            all = c < 0x20 || font->supports(c);
        }
        if (all)
            return *font;
    }
    return *fonts.first();
}

const PageFont& fallbackFontFor(char32_t character, const PageFont& font) {
    static QHash<std::pair<const PageFont*, char32_t>, const PageFont*> chosen;
    const auto key = std::pair{&font, character};
    if (auto found = chosen.constFind(key); found != chosen.constEnd())
        return **found;
    static const QStringList serif = {"Noto Serif CJK JP", "IPAexMincho", "IPAMincho",
                                      "Noto Sans CJK JP",  "IPAexGothic", "IPAGothic"};
    static const QStringList sans = {"Noto Sans CJK JP",  "IPAexGothic", "IPAGothic",
                                     "Noto Serif CJK JP", "IPAexMincho", "IPAMincho"};
    const QString& family = font.family();
    const bool isSerif = family.contains(QLatin1String("Serif")) ||
                         family.contains(QLatin1String("Mincho")) ||
                         family.contains(QStringLiteral("明朝"));
    const PageFont* result = &font;
    for (const QString& candidate : isSerif ? serif : sans)
        if (isInstalled(candidate)) {
            const PageFont& face = pageFont(candidate, font.weight());
            if (face.supports(character)) {
                result = &face;
                break;
            }
        }
    chosen.insert(key, result);
    return *result;
}

} // namespace velta
