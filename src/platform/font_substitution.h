#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

namespace velta {

// An installed face and the weight (QFont::Weight) that stands in for a Windows face.
struct FaceChoice {
    QString family;
    int weight;
};

// The installed faces that stand in for a Windows face name ("HGP明朝E", "ＭＳ Ｐゴシック", …),
// best first. A face not in the table gets the Japanese fallback faces, never an empty list.
QVector<FaceChoice> substituteFaceChoices(const QString& windowsFace);
// The same, families only.
QStringList substituteFaces(const QString& windowsFace);

// The faces a user chooses from for a card: the Windows faces the layouts name (HGP明朝E, …),
// then the installed faces that cover Japanese, then the rest, each group in name order.
QStringList cardFaceChoices();

// Registers the table with Qt, so a QFont naming a Windows face draws with a Japanese face.
void installFontSubstitutions();

} // namespace velta
