#include "kana.h"

namespace velta {

QString widenHalfWidthKatakana(const QString& text) {
    QString wide;
    for (qsizetype i = 0; i < text.size();) {
        qsizetype end = i;
        while (end < text.size() && text[end].unicode() >= 0xFF61 && text[end].unicode() <= 0xFF9F)
            ++end;
        if (end == i) {
            wide += text[i++];
            continue;
        }
        wide += text.mid(i, end - i).normalized(QString::NormalizationForm_KC);
        i = end;
    }
    return wide;
}

QString toFullWidthKatakana(const QString& text) {
    QString katakana = widenHalfWidthKatakana(text);
    for (QChar& c : katakana)
        if (const char16_t u = c.unicode();
            (u >= 0x3041 && u <= 0x3096) || u == 0x309D || u == 0x309E)
            c = QChar(static_cast<char16_t>(u + 0x60));
    return katakana;
}

bool isAllKana(const QString& text) {
    for (QChar c : text) {
        const char16_t u = c.unicode();
        const bool kana = (u >= 0x3041 && u <= 0x3096) || (u >= 0x309D && u <= 0x30FF) ||
                          (u >= 0xFF66 && u <= 0xFF9F);
        if (!kana)
            return false;
    }
    return !text.isEmpty();
}

QString foldForNumberField(const QString& text) {
    static const QString hyphens = QStringLiteral("ー－‐‑−―–—ｰ");
    QString folded;
    folded.reserve(text.size());
    for (QChar c : text) {
        if (hyphens.contains(c))
            folded += QLatin1Char('-');
        else if (c.unicode() >= 0xFF01 && c.unicode() <= 0xFF5E) // full-width ASCII
            folded += QChar(static_cast<char16_t>(c.unicode() - 0xFEE0));
        else if (c.unicode() == 0x3000)
            folded += QLatin1Char(' ');
        else
            folded += c;
    }
    return folded;
}

} // namespace velta
