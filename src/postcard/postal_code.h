#pragma once

#include <QString>

namespace velta {

// The postcard grid's postal-code cell: the code without its first hyphen, spaced out so that
// seven digits read " 1  0  0  0  0  0  1 ". An empty code is "　", or "　　　　　." in the
// address search modes.
QString spacedPostalCode(const QString& yubinno, bool addressSearch);

// The characters of a postal code for the seven digit boxes: full-width digits as digits, and
// every hyphen-like character (- － ‐ − ー ―) dropped, so the seven digits fill the seven boxes.
QString postalDigits(const QString& code);

} // namespace velta
