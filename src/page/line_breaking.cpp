#include "line_breaking.h"

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <memory>

namespace velta {
namespace {

// JLREQ's characters not starting a line: closing brackets, hyphens, dividing punctuation,
// middle dots, full stops and commas, iteration marks, the prolonged sound mark, small kana.
bool mayNotStartLine(QChar c) {
    static const QString list = QStringLiteral(
        "）〕］｝〉》」』】〙〗〟’”｠»)]}'\"‐゠–〜～?!？！‼⁇⁈⁉・：；:;。.、,，．ヽヾゝゞ々〻ー"
        "ぁぃぅぇぉっゃゅょゎゕゖァィゥェォッャュョヮヵヶㇰㇱㇲㇳㇴㇵㇶㇷㇸㇹㇺㇻㇼㇽㇾㇿｧｨｩｪｫｯｬｭｮ"
        "ｰ");
    return list.contains(c);
}

// …and not ending one: opening brackets.
bool mayNotEndLine(QChar c) {
    static const QString list = QStringLiteral("（〔［｛〈《「『【〘〖〝‘“｟«([{");
    return list.contains(c);
}

bool isArabicDigit(QChar c) {
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
           (c >= QChar(0xFF10) && c <= QChar(0xFF19));
}

bool isDigit(QChar c) {
    static const QString kanji = QStringLiteral("〇一二三四五六七八九十百千");
    return isArabicDigit(c) || kanji.contains(c);
}

// Every dash people type between the parts of an address number.
bool isDash(QChar c) {
    static const QString dashes = QStringLiteral("-‐‑–—―−ーｰ－の");
    return dashes.contains(c);
}

// What follows a number as part of it: 三丁目, 十四番地, 九号, 1102号室, 5階, 北1条, 2棟, 3F.
const QStringList& counters() {
    static const QStringList list = {
        QStringLiteral("丁目"), QStringLiteral("番地"), QStringLiteral("号室"),
        QStringLiteral("番"),   QStringLiteral("号"),   QStringLiteral("階"),
        QStringLiteral("条"),   QStringLiteral("棟"),   QStringLiteral("室"),
        QStringLiteral("F"),    QStringLiteral("Ｆ"),   QStringLiteral("丁")};
    return list;
}

// A number of an address that starts at `i`: digits, dashes between digits, counters.
struct AddressNumber {
    int end;     // i when what starts there is no number (六本木, 八王子: places)
    bool street; // the street number a building may follow (１－２－３, 三丁目十四番九号)
};

AddressNumber addressNumber(const QString& text, int i) {
    int end = i, counted = 0;
    bool arabic = false;
    QString lastCounter;
    while (end < text.size()) {
        if (isDigit(text[end])) {
            arabic = arabic || isArabicDigit(text[end]);
            ++end;
            continue;
        }
        if (end > i && isDash(text[end]) && end + 1 < text.size() && isDigit(text[end + 1])) {
            ++end;
            continue;
        }
        const auto counter = std::find_if(counters().begin(), counters().end(), [&](auto& c) {
            return end > i && QStringView(text).mid(end).startsWith(c);
        });
        if (counter == counters().end())
            break;
        end += int(counter->size());
        lastCounter = *counter;
        ++counted;
    }
    // Kanji numerals are numbers only with a counter: 一番町 is a town, 三丁目十四番九号 a number.
    if (!arabic && counted == 0)
        return {i, false};
    const bool street = arabic || counted >= 2 || lastCounter == QLatin1String("号") ||
                        lastCounter == QLatin1String("番地");
    return {end, street};
}

// Word boundaries from ICU's dictionary segmentation of Japanese.
QVector<bool> wordBoundaries(const QString& text) {
    QVector<bool> boundaries(text.size() + 1, false);
    // Made once: a card run breaks thousands of addresses.
    static thread_local std::unique_ptr<icu::BreakIterator> words = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::BreakIterator> made(
            icu::BreakIterator::createWordInstance(icu::Locale::getJapanese(), status));
        return U_FAILURE(status) ? nullptr : std::move(made);
    }();
    if (!words)
        return boundaries;
    const icu::UnicodeString unicode(reinterpret_cast<const char16_t*>(text.utf16()),
                                     int32_t(text.size()));
    words->setText(unicode);
    for (int32_t at = words->first(); at != icu::BreakIterator::DONE; at = words->next())
        if (at >= 0 && at <= text.size())
            boundaries[at] = true;
    static const icu::UnicodeString nothing; // the iterator keeps no reference to `unicode`
    words->setText(nothing);
    return boundaries;
}

} // namespace

QVector<BreakRank> breakRanks(const QString& text) {
    const int n = int(text.size());
    QVector<BreakRank> ranks(n + 1, BreakRank::Character);
    ranks[0] = BreakRank::Never;
    if (n == 0)
        return ranks;
    ranks[n] = BreakRank::Space;
    const QVector<bool> words = wordBoundaries(text);
    for (int i = 1; i < n; ++i) {
        if (words[i])
            ranks[i] = BreakRank::Word;
        const QChar before = text[i - 1];
        if (before == QLatin1Char(' ') || before == QChar(0x3000))
            ranks[i] = BreakRank::Space;
    }
    // Numbers are never split; after the last part of one a building may begin.
    for (int i = 0; i < n;) {
        if (!isDigit(text[i])) {
            ++i;
            continue;
        }
        const AddressNumber number = addressNumber(text, i);
        if (number.end == i) {
            ++i;
            continue;
        }
        if (i > 0 && ranks[i] < BreakRank::Word)
            ranks[i] = BreakRank::Word; // a number begins a word of its own (ヒルズ｜１１０２号室)
        for (int inside = i + 1; inside < number.end; ++inside)
            ranks[inside] = BreakRank::Never;
        if (number.street && number.end < n && ranks[number.end] != BreakRank::Space &&
            !isDash(text[number.end]))
            ranks[number.end] = BreakRank::Building;
        i = number.end;
    }
    for (int i = 1; i < n; ++i) {
        if (text[i].isLowSurrogate() || mayNotStartLine(text[i]) || mayNotEndLine(text[i - 1]))
            ranks[i] = BreakRank::Never;
        // Spaces hang at the end of the line they close, never start the next.
        if (text[i] == QLatin1Char(' ') || text[i] == QChar(0x3000))
            ranks[i] = BreakRank::Never;
    }
    return ranks;
}

int lineEnd(const QVector<BreakRank>& ranks, int first, int fitEnd) {
    if (fitEnd >= ranks.size() - 1)
        return int(ranks.size()) - 1;
    int best = -1;
    for (int at = first + 1; at <= fitEnd; ++at)
        if (ranks[at] != BreakRank::Never && (best < 0 || ranks[at] >= ranks[best]))
            best = at;
    return best < 0 ? fitEnd : best;
}

} // namespace velta
