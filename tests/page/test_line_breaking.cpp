// Where the columns of an address may end: at a space, where the building begins, between words,
// never where JLREQ forbids, never inside a number.
#include "line_breaking.h"
#include "page_model.h"
#include "page_renderer.h"

#include <gtest/gtest.h>

#include <map>

using namespace velta;

namespace {

// The columns a text is broken into when each holds `fit` characters.
QStringList columns(const QString& text, int fit) {
    const QVector<BreakRank> ranks = breakRanks(text);
    QStringList result;
    for (int first = 0; first < text.size();) {
        const int end = lineEnd(ranks, first, std::min<int>(first + fit, int(text.size())));
        result.append(text.mid(first, end - first));
        first = end;
    }
    return result;
}

} // namespace

TEST(LineBreaking, AddressesBreakAtSpacesBuildingsAndWordsNeverInsideANumberOrAWord) {
    struct Case {
        const char* text;
        int fit;
        QStringList expected;
    };
    const Case cases[] = {
        // The writer's full-width space comes first, even well before the column's end.
        {"宮城県仙台市青葉区国分町三丁目七番一号　仙台市役所本庁舎",
         24,
         {"宮城県仙台市青葉区国分町三丁目七番一号　", "仙台市役所本庁舎"}},
        // No space: where the street number ends and the building begins.
        {"北海道札幌市中央区大通西２丁目５－１グランドメゾン大通",
         22,
         {"北海道札幌市中央区大通西２丁目５－１", "グランドメゾン大通"}},
        // A number goes whole to the next column with its counter (never １１０２｜号室).
        {"東京都港区六本木ヒルズ１１０２号室", 15, {"東京都港区六本木ヒルズ", "１１０２号室"}},
        {"大阪市北区梅田三丁目十四番九号", 10, {"大阪市北区梅田", "三丁目十四番九号"}},
        // Between words, not inside one (never ビルディ｜ング).
        {"ニューグランドビルディング", 11, {"ニューグランド", "ビルディング"}},
        // A half-width space is a break as well; it hangs at the end of its column.
        {"1-2-3 Sunny Heights 101", 12, {"1-2-3 Sunny ", "Heights 101"}},
        {"1-2-3 Sunny Heights 101", 10, {"1-2-3 ", "Sunny ", "Heights ", "101"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(columns(QString::fromUtf8(c.text), c.fit), c.expected)
            << columns(QString::fromUtf8(c.text), c.fit).join("|").toStdString();
}

TEST(LineBreaking, NoColumnStartsWithWhatJapaneseTypesettingKeepsOffALineStart) {
    // ー, small kana, 々, closing brackets and 、 never begin a column; 「 never ends one.
    for (const char* text : {"ホテルニューオータニ", "シャトーレジデンス", "佐々木方",
                             "「山田ビル」内", "東京都、千代田区", "ハイツ（南棟）"}) {
        const QString whole = QString::fromUtf8(text);
        for (int fit = 3; fit < whole.size(); ++fit) // three hold the longest unbreakable run
            for (const QString& column : columns(whole, fit)) {
                EXPECT_FALSE(QStringLiteral("ーュャョ々」）、").contains(column.front()))
                    << text << " fit " << fit << ": " << column.toStdString();
                EXPECT_FALSE(QStringLiteral("「（").contains(column.back()))
                    << text << " fit " << fit << ": " << column.toStdString();
            }
    }
    // Nothing allowed within reach: the run is cut where it must be, never lost.
    EXPECT_EQ(columns("ーーーー", 2), QStringList({"ーー", "ーー"}));
}

TEST(LineBreaking, TheCardsRendererBreaksVerticalColumnsAtTheSamePlaces) {
    TextBox box;
    box.Name = "T";
    box.Rotation = 270;
    box.FontName = "@IPAexMincho";
    box.setFontSize(10);
    box.GapX = box.GapY = 0;
    box.Text = "ニューグランドビルディング";
    const double em = std::abs(box.FontHeight);
    box.Height = em * 11 + 1; // eleven characters a column
    box.Width = em * 3;
    const LaidOutBox laid = layOutPage(PreparedPage{PageSetup{}, {box}, {}}).first();
    ASSERT_FALSE(laid.overflows);
    std::map<int, QString, std::greater<>> byColumn; // right to left
    for (const PlacedGlyph& glyph : laid.glyphs)
        byColumn[qRound(glyph.position.x() / em)] += glyph.text;
    QStringList shown;
    for (const auto& [column, text] : byColumn)
        shown.append(text);
    EXPECT_EQ(shown, QStringList({"ニューグランド", "ビルディング"}));
}
