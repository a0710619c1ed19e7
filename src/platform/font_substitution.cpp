#include "font_substitution.h"

#include <QFont>

#include <utility>

namespace velta {
namespace {

const QStringList kMinchoBold = {QStringLiteral("Noto Serif CJK JP"), QStringLiteral("IPAexMincho"),
                                 QStringLiteral("IPAPMincho"), QStringLiteral("IPAMincho")};
const QStringList kMincho = {QStringLiteral("IPAMincho"), QStringLiteral("IPAexMincho"),
                             QStringLiteral("Noto Serif CJK JP")};
const QStringList kProportionalGothic = {QStringLiteral("IPAPGothic"),
                                         QStringLiteral("IPAexGothic"),
                                         QStringLiteral("Noto Sans CJK JP")};
const QStringList kSans = {QStringLiteral("DejaVu Sans"), QStringLiteral("IPAexGothic"),
                           QStringLiteral("Noto Sans CJK JP")};

const std::pair<const char*, const QStringList*> kTable[] = {
    {"HGP明朝E", &kMinchoBold},
    {"HG明朝E", &kMinchoBold},
    {"ＭＳ Ｐゴシック", &kProportionalGothic},
    {"ＭＳ ゴシック", &kProportionalGothic},
    {"ＭＳ Ｐ明朝", &kMincho},
    {"ＭＳ 明朝", &kMincho},
    {"Arial", &kSans},
    {"Tahoma", &kSans},
};

const QStringList kJapaneseFallback = {QStringLiteral("IPAexGothic"), QStringLiteral("IPAPGothic"),
                                       QStringLiteral("Noto Sans CJK JP")};

} // namespace

QStringList substituteFaces(const QString& windowsFace) {
    QString face = windowsFace;
    if (face.startsWith(QLatin1Char('@')))
        face.remove(0, 1);
    for (const auto& [name, faces] : kTable)
        if (face == QString::fromUtf8(name))
            return *faces + kJapaneseFallback;
    return kJapaneseFallback;
}

void installFontSubstitutions() {
    for (const auto& [name, faces] : kTable)
        QFont::insertSubstitutions(QString::fromUtf8(name), *faces + kJapaneseFallback);
}

} // namespace velta
