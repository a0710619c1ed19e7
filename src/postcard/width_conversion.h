#pragma once

#include <QString>

namespace velta {

// Hyphens ("-" and "－") become "ー", which a vertical face draws along the column.
QString replaceDashes(const QString& text);

// Half-width characters become their full-width forms (ASCII, space → U+3000, half-width
// katakana with voiced and semi-voiced marks composed). Texts of any length convert whole.
QString SinglebyteToDoublebyte(const QString& sValue);

} // namespace velta
