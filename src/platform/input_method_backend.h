#pragma once

// The platform half of the input-method layer: Imm* calls on Windows, Qt's input method
// interface elsewhere.

class QWidget;

namespace velta::ime {

enum class Kana { Hiragana, Katakana };

// Conversion and sentence flags with the values of the Windows input method manager.
constexpr unsigned kNative = 0x1;
constexpr unsigned kKatakana = 0x2;
constexpr unsigned kFullShape = 0x8;
constexpr unsigned kSentenceNone = 0x0;
constexpr unsigned kSentencePhrasePredict = 0x8;

// Takes the input method away from the field: only direct keyboard input, no preedit.
void disable(QWidget* field);
// Opens the input method in the field with full-width kana of the given kind.
void openNative(QWidget* field, Kana kana);
// Closes the input method; the user may open it again.
void close(QWidget* field);
void setConversion(QWidget* field, unsigned conversion, unsigned sentence);

} // namespace velta::ime
