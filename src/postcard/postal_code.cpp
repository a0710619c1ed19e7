#include "postal_code.h"

namespace velta {

QString spacedPostalCode(const QString& yubinno, bool addressSearch) {
    QString text;
    if (addressSearch && yubinno.isEmpty()) {
        text = QStringLiteral("　　　　　.");
    } else {
        text = yubinno;
        const qsizetype hyphen = text.indexOf(QLatin1Char('-'));
        if (hyphen >= 0)
            text.remove(hyphen, 1);
        if (text.isEmpty())
            text = QStringLiteral("　");
    }
    // Each insertion counts positions (from 1) in the text the previous one left.
    for (int position : {1, 3, 5, 7, 9, 11, 13, 4, 6, 10, 12, 15, 18, 21})
        text.insert(std::min<qsizetype>(position - 1, text.size()), QLatin1Char(' '));
    return text;
}

QString postalDigits(const QString& code) {
    // Hyphens, the postal mark 〒 and spaces separate or announce the digits; none takes a box.
    static const QString skipped = QStringLiteral("-－‐−ー―‑–—ｰ〒 　");
    QString digits;
    for (QChar c : code) {
        if (skipped.contains(c))
            continue;
        digits += c >= QChar(u'０') && c <= QChar(u'９') ? QChar(c.unicode() - u'０' + u'0') : c;
    }
    return digits;
}

} // namespace velta
