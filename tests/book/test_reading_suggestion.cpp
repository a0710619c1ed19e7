#include "reading_suggestion.h"

#include <gtest/gtest.h>

using namespace velta;

TEST(ReadingSuggestion, KanjiNamesAreReadThroughTheDictionaryAsKatakana) {
    const struct {
        const char *surname, *given, *reading;
    } names[] = {{"山田", "太郎", "ヤマダタロウ"},
                 {"東海林", "美智子", "ショウジミチコ"},
                 {"五十嵐", "", "イガラシ"},
                 {"長谷川", "翔太", "ハセガワショウタ"},
                 {"佐々木", "健太郎", "ササキケンタロウ"}};
    for (const auto& name : names) {
        const SuggestedReading suggested = suggestReading(name.surname, name.given);
        EXPECT_TRUE(suggested.complete) << name.surname;
        EXPECT_EQ(suggested.reading, QString::fromUtf8(name.reading)) << name.surname;
    }
}

TEST(ReadingSuggestion, KanaIsWidenedLatinKeptAndUnreadableKanjiNamed) {
    EXPECT_EQ(suggestReading("やまだ", "たろう").reading, "ヤマダタロウ");
    EXPECT_EQ(suggestReading("ﾔﾏﾀﾞ", "ﾀﾛｳ").reading, "ヤマダタロウ");
    const SuggestedReading latin = suggestReading("Smith", "John");
    EXPECT_TRUE(latin.complete);
    EXPECT_EQ(latin.reading, "Smith John");
    // A character the dictionary has no reading for leaves the suggestion incomplete.
    const SuggestedReading rare = suggestReading("𠮷野", "");
    EXPECT_FALSE(rare.complete);
    EXPECT_TRUE(rare.unread.contains("𠮷"));
}

TEST(ReadingSuggestion, OnlyHalfWidthKatakanaIsWidenedWhenReadingsAreTidied) {
    EXPECT_EQ(widenHalfWidthKatakana("ﾔﾏﾀﾞ ﾀﾛｳ やまだ"), "ヤマダ タロウ やまだ");
    EXPECT_EQ(toFullWidthKatakana("ﾔﾏﾀﾞ やまだ・ゝ"), "ヤマダ ヤマダ・ヽ");
}
