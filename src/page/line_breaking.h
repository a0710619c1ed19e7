#pragma once

#include <QString>
#include <QVector>

namespace velta {

// How good a place is for a line of Japanese text to end, best last. A break is placed before a
// position of the text (a UTF-16 index).
enum class BreakRank : quint8 {
    Never, // JLREQ forbids it (ー, ゃ, 々, 」 may not start a line; 「 may not end one), or it
           // would split a number from its dashes or its counter (１１０２｜号室, ２｜丁目)
    Character, // between two characters, where nothing better is near
    Word,      // between words (ICU's dictionary segmentation for Japanese)
    Building, // after the street number, where the building begins (１－２－３｜グランドメゾン)
    Space, // after a space (U+0020 or U+3000) the writer put there
};

// The rank of a break before each position of `text`; positions 0 and inside a surrogate pair
// are Never. Sized text.size() + 1 (the end is a break, ranked Space).
QVector<BreakRank> breakRanks(const QString& text);

// Where a line that starts at `first` and can hold the text up to (not including) `fitEnd`
// ends: the last place of the best rank after `first`; `fitEnd` itself when the text ends
// there or when no allowed place is left (a single unbreakable run is cut rather than lost).
int lineEnd(const QVector<BreakRank>& ranks, int first, int fitEnd);

} // namespace velta
