#pragma once

#include <QByteArray>
#include <QString>

namespace velta::cp932 {

// Shift-JIS as Windows code page 932, restricted to what an SJIS_0208 connection stores:
// single bytes (ASCII, half-width katakana) and the JIS X 0208 rows. Characters that would
// not come back unchanged are refused, never replaced. The JIS X 0208 characters that Linux
// input methods type under their JIS mapping (〜 − — ‖ ¢ £ ¬) are stored as those very codes
// and read back in the code page 932 forms (～ － ― ∥ ￠ ￡ ￢).
enum class TextUse { Store, Search }; // how a refusal is worded
QByteArray encode(const QString& text, const QString& fieldName, TextUse use = TextUse::Store);
QString decode(const QByteArray& bytes);
// Decodes a whole file's bytes; false, with the offset of the first byte that is not a code
// page 932 character, when any is not (a text is never given a character the bytes lack).
bool decodeStrict(const QByteArray& bytes, QString& text, qsizetype* badAt);
// encode() without the exception: false, with the first character it would refuse.
bool tryEncode(const QString& text, QByteArray& out, QString* refused = nullptr);

// Number of Shift-JIS characters in an encoded text (a lead byte and its trail count once).
int characterCount(const QByteArray& bytes);

} // namespace velta::cp932

namespace velta::utf8 {

// UTF-8 for a UTF8 connection: every character is stored, except control characters (tabs and
// line breaks are text) and broken surrogates, which are refused as for Shift-JIS.
QByteArray encode(const QString& text, const QString& fieldName,
                  cp932::TextUse use = cp932::TextUse::Store);
int characterCount(const QByteArray& bytes);

} // namespace velta::utf8
