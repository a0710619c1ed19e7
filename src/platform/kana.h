#pragma once

#include <QString>

namespace velta {

// Half-width katakana (ﾔﾏﾀﾞ, as older phones and Outlook write readings) in full width, with
// their sound marks joined (ﾀﾞ → ダ); nothing else changes.
QString widenHalfWidthKatakana(const QString& text);
// The same, and hiragana as katakana.
QString toFullWidthKatakana(const QString& text);
// Whether every character is kana (either kind, either width) or the prolonged sound mark.
bool isAllKana(const QString& text);
// What an input method commits into a number field, in the field's form: full-width digits,
// letters and signs as ASCII, and every hyphen-like mark (ー － ‐ − ―) as '-'.
QString foldForNumberField(const QString& text);

} // namespace velta
