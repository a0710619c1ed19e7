#pragma once

#include <QByteArray>
#include <QHash>
#include <QRawFont>
#include <QString>

#include <vector>

struct hb_face_t;
struct hb_font_t;

namespace velta {

// One installed face as the page uses it: Qt's raw font, and a HarfBuzz font over the very same
// tables measured in font units, so a text shaped once can be laid out at any size.
class PageFont {
public:
    PageFont(const QString& family, int weight);
    ~PageFont();
    PageFont(const PageFont&) = delete;
    PageFont& operator=(const PageFont&) = delete;

    const QString& family() const { return family_; }
    int weight() const { return weight_; }
    unsigned unitsPerEm() const { return unitsPerEm_; }
    // The ideographic em box, font units: its top above the baseline, its bottom below (>= 0).
    double ascender() const { return ascender_; }
    double descender() const { return descender_; }
    hb_font_t* harfBuzz() const { return font_; }
    bool supports(char32_t character) const; // asked once per character of the plane
    QByteArray table(const char* tag) const { return raw_.fontTable(tag); }
    // The installed file Qt loaded the face from and the face's index in it; empty when the
    // face is not a file fontconfig knows.
    const QByteArray& file() const { return file_; }
    int faceIndex() const { return faceIndex_; }
    // Qt's raw font at a pixel size, for painting.
    const QRawFont& rawAt(double pixelSize) const;
    // A glyph's ink bounds at kInkSize pixels (small sizes round them to whole pixels), read once.
    static constexpr double kInkSize = 2048;
    const QRectF& inkBounds(quint32 glyph) const;
    // Whether vertical shaping gives the character a form of its own (ー, 「, ～).
    bool hasVerticalForm(char32_t character) const;

private:
    QString family_;
    int weight_;
    QRawFont raw_;
    QByteArray file_;
    int faceIndex_ = 0;
    hb_face_t* face_ = nullptr;
    hb_font_t* font_ = nullptr;
    unsigned unitsPerEm_ = 1000;
    double ascender_ = 880, descender_ = 120;
    mutable QHash<qint64, QRawFont> sized_;
    mutable QHash<char32_t, bool> verticalForms_;
    mutable QHash<quint32, QRectF> inks_;
    mutable std::vector<quint8> supported_; // per character: 0 not asked, 1 no, 2 yes
};

// The installed face of that family and weight; made once and kept for the whole run.
const PageFont& pageFont(const QString& family, int weight);

// The face that draws a text given in a named face ("@HGP明朝E", "IPAexMincho"): the face
// itself or its substitutes, the first that has every character, so a Latin face never leaves
// kanji as empty boxes.
const PageFont& pageFontFor(const QString& faceName, const QString& text);

// An installed Japanese face that has a character `font` lacks (Noto CJK, IPA faces), serif
// or sans as `font` is; `font` itself when none has it.
const PageFont& fallbackFontFor(char32_t character, const PageFont& font);

} // namespace velta
