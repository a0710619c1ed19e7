#pragma once

#include <QString>
#include <QStringList>

namespace velta {

// The installed faces that stand in for a Windows face name ("HGP明朝E", "ＭＳ Ｐゴシック", …),
// best first. A face not in the table gets the Japanese fallback faces, never an empty list.
QStringList substituteFaces(const QString& windowsFace);

// Registers the table with Qt, so a QFont naming a Windows face draws with a Japanese face.
void installFontSubstitutions();

} // namespace velta
