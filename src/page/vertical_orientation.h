#pragma once

namespace velta {

// How a character stands in a vertical column (Unicode's Vertical_Orientation, UAX #50).
enum class VerticalOrientation {
    Upright,            // U: drawn as in horizontal text
    TransformedUpright, // Tu: upright, the font may give a vertical form (small kana, 、。)
    TransformedRotated, // Tr: a vertical form where the font has one, otherwise turned (ー「」)
    Rotated,            // R: turned a quarter turn clockwise (Latin letters, digits, ―)
};

// Unicode's property, but for the unit marks ° ′ ″, which Japanese text sets upright.
VerticalOrientation verticalOrientation(char32_t character);

} // namespace velta
