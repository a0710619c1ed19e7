#pragma once

#include <QString>

namespace velta {

// Hyphens ("-" and "－") become "ー", which a vertical face draws along the column.
QString replaceDashes(const QString& text);

// Every dash people type between two digits of an address number (‐ ‑ ‒ – — ― − ｰ ー － -)
// becomes "-", so the card prints one dash however it was typed; dashes elsewhere stay.
QString unifyNumberDashes(const QString& text);

// Half-width characters become their full-width forms (ASCII, space → U+3000, half-width
// katakana with voiced and semi-voiced marks composed). Texts of any length convert whole.
QString SinglebyteToDoublebyte(const QString& sValue);

// An address's numbers in kanji (after the conversions above: full-width digits, ー between
// them): 「２ー１４ー９」 → 「二ー十四ー九」 (`positional`: 十 for numbers under 100, others digit
// by digit) or 「二ー一四ー九」; the dash between two numbers becomes `dash` (ー or の).
QString kanjiNumbers(const QString& text, bool positional, QChar dash);

} // namespace velta
