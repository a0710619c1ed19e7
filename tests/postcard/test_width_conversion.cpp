#include "width_conversion.h"

#include <gtest/gtest.h>

using namespace velta;

namespace {
QString both(const QString& text) {
    return SinglebyteToDoublebyte(replaceDashes(text));
}
} // namespace

TEST(DashReplacement, HyphensBecomeProlongedSoundMarksAndOtherDashesStay) {
    EXPECT_EQ(replaceDashes("1-2-3"), "1ー2ー3");
    EXPECT_EQ(replaceDashes("3－5"), "3ー5");
    EXPECT_EQ(replaceDashes("a―b‐c−d—e"), "a―b‐c−d—e");
    EXPECT_EQ(replaceDashes("ｰ"), "ｰ");
    EXPECT_EQ(replaceDashes(""), "");
}

TEST(DashReplacement, EveryDashBetweenDigitsOfAnAddressNumberPrintsAsOne) {
    // However it was typed (a phone's ‐, a word processor's ―, a half-width ｰ), one dash.
    for (const char* typed : {"1‐2‑3", "1‒2–3", "1—2―3", "1−2ｰ3", "1ー2－3", "１-２―３"})
        EXPECT_EQ(
            SinglebyteToDoublebyte(replaceDashes(unifyNumberDashes(QString::fromUtf8(typed)))),
            "１ー２ー３")
            << typed;
    // Dashes that stand between words are what the writer meant.
    EXPECT_EQ(unifyNumberDashes("ホテル―青山 1‐"), "ホテル―青山 1‐");
    EXPECT_EQ(unifyNumberDashes("コーポ"), "コーポ");
}

TEST(FullWidth, AsciiAndSpaceWiden) {
    EXPECT_EQ(SinglebyteToDoublebyte(""), "");
    EXPECT_EQ(SinglebyteToDoublebyte("ABC abc"), "ＡＢＣ　ａｂｃ");
    EXPECT_EQ(SinglebyteToDoublebyte("!~\\09"), "！～＼０９");
    EXPECT_EQ(both("1-2-3"), "１ー２ー３");
    EXPECT_EQ(both("3－5"), "３ー５");
}

TEST(FullWidth, HalfWidthKatakanaWidenWithSoundMarksComposed) {
    const QString school = "ｶﾞｯｺｳ";
    EXPECT_EQ(school.size(), 5);
    EXPECT_EQ(SinglebyteToDoublebyte(school), "ガッコウ");
    EXPECT_EQ(SinglebyteToDoublebyte("ﾊﾟﾝ ｳﾞｧｲｵﾘﾝ"), "パン　ヴァイオリン");
    EXPECT_EQ(SinglebyteToDoublebyte("｡｢｣､･ｰｦ"), "。「」、・ーヲ");
    // A mark that cannot compose, or stands alone, takes its full-width spacing form.
    EXPECT_EQ(SinglebyteToDoublebyte("ｱﾞﾟ"), "ア゛゜");
}

TEST(FullWidth, FullWidthTextIsUnchangedAndLongTextsConvertWhole) {
    const QString wide = "東京都千代田区千代田１－１　ヤマダ　タロウ様";
    EXPECT_EQ(SinglebyteToDoublebyte(wide), wide);
    EXPECT_EQ(SinglebyteToDoublebyte(QString(255, 'a')), QString(255, QChar(0xFF41)));
    EXPECT_EQ(SinglebyteToDoublebyte(QString(300, '1')), QString(300, QChar(0xFF11)));
    // Only the last ｶ meets a ﾞ: 149 カ, one ガ, then 149 spacing marks.
    EXPECT_EQ(SinglebyteToDoublebyte(QString(150, QChar(0xFF76)) + QString(150, QChar(0xFF9E))),
              QString(149, QChar(0x30AB)) + QChar(0x30AC) + QString(149, QChar(0x309B)));
}

TEST(KanjiNumbers, TensReadAsSpokenOthersDigitByDigitAndOnlyNumberDashesChange) {
    EXPECT_EQ(kanjiNumbers("２ー１４ー９", true, u'ー'), "二ー十四ー九");
    EXPECT_EQ(kanjiNumbers("２ー１４ー９", true, u'の'), "二の十四の九");
    EXPECT_EQ(kanjiNumbers("２ー１４ー９", false, u'ー'), "二ー一四ー九");
    EXPECT_EQ(kanjiNumbers("１０ー２０ー１１", true, u'ー'), "十ー二十ー十一");
    // 07 and 101 are read digit by digit, as room numbers are.
    EXPECT_EQ(kanjiNumbers("０７号　１０１号室", true, u'ー'), "〇七号　一〇一号室");
    // A ー that is not between two digits is a long vowel, never a number dash.
    EXPECT_EQ(kanjiNumbers("センター３ー１　ビルー", true, u'の'), "センター三の一　ビルー");
}
