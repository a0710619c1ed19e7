#include "font_substitution.h"

#include <QFont>
#include <QFontDatabase>

#include <utility>

namespace velta {
namespace {

// HG明朝E is a heavy display face: the heaviest installed serif Japanese weights first.
const QVector<FaceChoice> kHeavyMincho = {{QStringLiteral("Noto Serif CJK JP"), QFont::Black},
                                          {QStringLiteral("Noto Serif CJK JP"), QFont::Bold},
                                          {QStringLiteral("IPAexMincho"), QFont::Normal}};
const QVector<FaceChoice> kMincho = {{QStringLiteral("IPAMincho"), QFont::Normal},
                                     {QStringLiteral("IPAexMincho"), QFont::Normal},
                                     {QStringLiteral("Noto Serif CJK JP"), QFont::Normal}};
const QVector<FaceChoice> kProportionalMincho = {
    {QStringLiteral("IPAPMincho"), QFont::Normal},
    {QStringLiteral("IPAexMincho"), QFont::Normal},
    {QStringLiteral("Noto Serif CJK JP"), QFont::Normal}};
const QVector<FaceChoice> kGothic = {{QStringLiteral("IPAGothic"), QFont::Normal},
                                     {QStringLiteral("IPAexGothic"), QFont::Normal},
                                     {QStringLiteral("Noto Sans Mono CJK JP"), QFont::Normal}};
const QVector<FaceChoice> kProportionalGothic = {
    {QStringLiteral("IPAPGothic"), QFont::Normal},
    {QStringLiteral("IPAexGothic"), QFont::Normal},
    {QStringLiteral("Noto Sans CJK JP"), QFont::Normal}};
const QVector<FaceChoice> kSans = {{QStringLiteral("DejaVu Sans"), QFont::Normal},
                                   {QStringLiteral("IPAexGothic"), QFont::Normal},
                                   {QStringLiteral("Noto Sans CJK JP"), QFont::Normal}};

const std::pair<const char*, const QVector<FaceChoice>*> kTable[] = {
    {"HGP明朝E", &kHeavyMincho},
    {"HG明朝E", &kHeavyMincho},
    {"ＭＳ Ｐゴシック", &kProportionalGothic},
    {"ＭＳ ゴシック", &kGothic},
    {"ＭＳ Ｐ明朝", &kProportionalMincho},
    {"ＭＳ 明朝", &kMincho},
    {"Arial", &kSans},
    {"Tahoma", &kSans},
};

const QVector<FaceChoice> kJapaneseFallback = {{QStringLiteral("IPAexGothic"), QFont::Normal},
                                               {QStringLiteral("IPAPGothic"), QFont::Normal},
                                               {QStringLiteral("Noto Sans CJK JP"), QFont::Normal}};

QStringList familiesOf(const QVector<FaceChoice>& choices) {
    QStringList families;
    for (const FaceChoice& choice : choices)
        if (!families.contains(choice.family))
            families.append(choice.family);
    return families;
}

} // namespace

QVector<FaceChoice> substituteFaceChoices(const QString& windowsFace) {
    QString face = windowsFace;
    if (face.startsWith(QLatin1Char('@')))
        face.remove(0, 1);
    for (const auto& [name, faces] : kTable)
        if (face == QString::fromUtf8(name))
            return *faces + kJapaneseFallback;
    return kJapaneseFallback;
}

QStringList substituteFaces(const QString& windowsFace) {
    return familiesOf(substituteFaceChoices(windowsFace));
}

QStringList cardFaceChoices() {
    QStringList windows, japanese, others;
    for (const auto& [name, faces] : kTable)
        if (faces != &kSans)
            windows.append(QString::fromUtf8(name));
    for (const QString& family : QFontDatabase::families()) {
        if (windows.contains(family))
            continue;
        (QFontDatabase::writingSystems(family).contains(QFontDatabase::Japanese) ? japanese
                                                                                 : others)
            .append(family);
    }
    japanese.sort(Qt::CaseInsensitive);
    others.sort(Qt::CaseInsensitive);
    return windows + japanese + others;
}

void installFontSubstitutions() {
    for (const auto& [name, faces] : kTable)
        QFont::insertSubstitutions(QString::fromUtf8(name), familiesOf(*faces + kJapaneseFallback));
}

} // namespace velta
