#include "width_conversion.h"

#include <QHash>

namespace velta {
namespace {

constexpr char16_t kVoicedMark = 0xFF9E;
constexpr char16_t kSemiVoicedMark = 0xFF9F;

// Narrow → wide pairs, from the compatibility decompositions of the Unicode database: a wide
// form decomposes <wide> to its narrow character, a narrow form <narrow> to its wide one.
const QHash<char16_t, char16_t>& widening() {
    static const QHash<char16_t, char16_t> table = [] {
        QHash<char16_t, char16_t> map;
        for (char32_t code = 0x3000; code <= 0xFFEF; ++code) {
            const QChar c(static_cast<char16_t>(code));
            const QString decomposed = c.decomposition();
            if (decomposed.size() != 1)
                continue;
            if (c.decompositionTag() == QChar::Wide)
                map.insert(decomposed.at(0).unicode(), static_cast<char16_t>(code));
            else if (c.decompositionTag() == QChar::Narrow &&
                     decomposed.at(0).category() != QChar::Mark_NonSpacing)
                map.insert(static_cast<char16_t>(code), decomposed.at(0).unicode());
        }
        // A sound mark standing alone takes its spacing full-width form.
        map.insert(kVoicedMark, u'\u309B');
        map.insert(kSemiVoicedMark, u'\u309C');
        return map;
    }();
    return table;
}

// ｶ + ﾞ → ガ: the precomposed letter, when there is one.
QChar composed(QChar letter, char16_t mark) {
    const QChar combining(mark == kVoicedMark ? u'\u3099' : u'\u309A');
    const QString normal = (QString(letter) + combining).normalized(QString::NormalizationForm_C);
    return normal.size() == 1 ? normal.at(0) : QChar();
}

} // namespace

QString replaceDashes(const QString& text) {
    QString result = text;
    if (result.contains(QLatin1Char('-')))
        result.replace(QLatin1Char('-'), QChar(0x30FC));
    if (result.contains(QChar(0xFF0D)))
        result.replace(QChar(0xFF0D), QChar(0x30FC));
    return result;
}

QString unifyNumberDashes(const QString& text) {
    static const QString dashes =
        QStringLiteral("\u2010\u2011\u2012\u2013\u2014\u2015\u2212\uFF70\u30FC\uFF0D-");
    auto isDigit = [](QChar c) {
        return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
               (c >= QChar(0xFF10) && c <= QChar(0xFF19));
    };
    QString result = text;
    for (qsizetype i = 1; i + 1 < result.size(); ++i)
        if (dashes.contains(result[i]) && isDigit(result[i - 1]) && isDigit(result[i + 1]))
            result[i] = QLatin1Char('-');
    return result;
}

QString SinglebyteToDoublebyte(const QString& sValue) {
    QString result;
    result.reserve(sValue.size());
    bool lastWasHalfWidthKana = false;
    for (QChar c : sValue) {
        const char16_t code = c.unicode();
        if ((code == kVoicedMark || code == kSemiVoicedMark) && lastWasHalfWidthKana) {
            const QChar letter = composed(result.back(), code);
            lastWasHalfWidthKana = false;
            if (!letter.isNull()) {
                result.back() = letter;
                continue;
            }
        } else {
            lastWasHalfWidthKana = code >= 0xFF66 && code <= 0xFF9D;
        }
        result.append(QChar(widening().value(code, code)));
    }
    return result;
}

namespace {

bool isWideDigit(QChar c) {
    return c >= QChar(0xFF10) && c <= QChar(0xFF19);
}

QString kanjiOf(const QString& digits, bool positional) {
    static const QString kanji = QStringLiteral("〇一二三四五六七八九");
    auto digitAt = [&](qsizetype i) { return digits.at(i).unicode() - 0xFF10; };
    // 十 only for what reads as a two-digit number; 07 or 101 stay digit by digit.
    if (positional && digits.size() == 2 && digitAt(0) != 0) {
        const int tens = digitAt(0), units = digitAt(1);
        return (tens > 1 ? QString(kanji.at(tens)) : QString()) + QStringLiteral("十") +
               (units > 0 ? QString(kanji.at(units)) : QString());
    }
    QString result;
    for (qsizetype i = 0; i < digits.size(); ++i)
        result += kanji.at(digitAt(i));
    return result;
}

} // namespace

QString kanjiNumbers(const QString& text, bool positional, QChar dash) {
    QString result;
    qsizetype i = 0;
    while (i < text.size()) {
        if (!isWideDigit(text.at(i))) {
            const bool numberDash = text.at(i) == QChar(0x30FC) && i > 0 &&
                                    isWideDigit(text.at(i - 1)) && i + 1 < text.size() &&
                                    isWideDigit(text.at(i + 1));
            result += numberDash ? dash : text.at(i);
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < text.size() && isWideDigit(text.at(end)))
            ++end;
        result += kanjiOf(text.mid(i, end - i), positional);
        i = end;
    }
    return result;
}

} // namespace velta
