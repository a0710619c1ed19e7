// The customer barcode against Japan Post's 郵便番号・バーコードマニュアル: its worked examples
// for the address number and the check symbol, its rules, its bar table and sizes.
#include "customer_barcode.h"

#include <gtest/gtest.h>

using namespace velta;

namespace {

QString symbols(const QString& code, const QString& addressB) {
    return customerBarcodeSymbols(code, addressNumber(addressB)).join(' ');
}

int checkSum(const QStringList& symbols) {
    int sum = 0;
    for (const QString& s : symbols.mid(1, 21))
        sum += s == "-" ? 10 : s.startsWith("CC") ? 10 + s.mid(2).toInt() : s.toInt();
    return sum;
}

PostalTown town(const QString& code, const QString& prefecture, const QString& city,
                const QString& name, const QString& published = {}) {
    return {code, prefecture, city, name, published.isEmpty() ? name : published};
}

} // namespace

TEST(CustomerBarcode, TheManualsWorkedExamples) {
    // 東京都千代田区霞が関1丁目3番2号 郵便プラザ503室: 1-3-2-503, four CC4, check symbol 9.
    EXPECT_EQ(addressNumber("1丁目3番2号 郵便プラザ503室"), "1-3-2-503");
    EXPECT_EQ(symbols("1000013", "1丁目3番2号 郵便プラザ503室"),
              "STC 1 0 0 0 0 1 3 1 - 3 - 2 - 5 0 3 CC4 CC4 CC4 CC4 9 SPC");
    // 綾部市青野町出口 6-7 LプラザB 106: single letters kept, no hyphen beside them.
    EXPECT_EQ(addressNumber("出口 6-7 LプラザB 106"), "6-7LB106");
    EXPECT_EQ(symbols("6230011", "出口 6-7 LプラザB 106"),
              "STC 6 2 3 0 0 1 1 6 - 7 CC2 1 CC1 1 1 0 6 CC4 CC4 CC4 " +
                  customerBarcodeSymbols("6230011", "6-7LB106")[21] + " SPC");
    // The manual's data 15400233-16-4-205 and 350110622-1A308: sums 108 → 6, 109 → 5.
    EXPECT_EQ(customerBarcodeSymbols("1540023", "3-16-4-205")[21], "6");
    EXPECT_EQ(customerBarcodeSymbols("3501106", "22-1A308")[21], "5");
    // 永田町1丁目11ー32: the check symbol is a control code (15 → CC5).
    EXPECT_EQ(customerBarcodeSymbols("1000014", addressNumber("1丁目11ー32"))[21], "CC5");
}

TEST(CustomerBarcode, AddressNumbersFollowTheExtractionRules) {
    const std::pair<const char*, const char*> cases[] = {
        {"三丁目十四番九号", "3-14-9"},                // kanji numerals before their counters
        {"二十三番地の五", "23-5"},                    // 十 read as a number, の a hyphen
        {"百五番地", "105"},                           //
        {"一〇一号", "101"},                           // digit by digit
        {"１丁目２番　第一ビル２０１号室", "1-2-201"}, // full width; 第一 is a name
        {"5-1 ABCビル 3階", "5-1-3"},                  // letters in a row are a name: left out
        {"２－１４－９　Ａ棟", "2-14-9A"},             // a single letter: no hyphen before it
        {"a-101", "A101"},                             // lower case is a letter too
        {"出口", ""},                                  // nothing to extract
    };
    for (const auto& [addressB, number] : cases)
        EXPECT_EQ(addressNumber(addressB), number) << addressB;
}

TEST(CustomerBarcode, ThirteenPositionsFilledOrCutAndTheSumAMultipleOf19) {
    // Letters take two positions: A–J CC1, K–T CC2, U–Z CC3, then the letter's place.
    const QStringList letters = customerBarcodeSymbols("1000013", "A-K-Z");
    EXPECT_EQ(letters.mid(8, 13).join(' '), "CC1 0 - CC2 0 - CC3 5 CC4 CC4 CC4 CC4 CC4");
    // Cut at 13: a letter whose control code is the 13th keeps only that.
    const QStringList cut = customerBarcodeSymbols("1000013", "123456789012A");
    EXPECT_EQ(cut.size(), 23);
    EXPECT_EQ(cut[20], "CC1");
    EXPECT_EQ(customerBarcodeSymbols("1000013", "1234567890123456")[20], "3");
    for (const QString number : {"", "1-3-2-503", "A-K-Z", "99-99-99-9999", "1A2B3C4D5E6F"}) {
        const QStringList all = customerBarcodeSymbols("0600042", number);
        ASSERT_EQ(all.size(), 23) << number.toStdString();
        EXPECT_EQ(all.front(), "STC");
        EXPECT_EQ(all.back(), "SPC");
        EXPECT_EQ(checkSum(all) % 19, 0) << number.toStdString();
    }
}

TEST(CustomerBarcode, BarsFollowTheManualsTableAndSizes) {
    const QVector<BarShape> bars =
        customerBarcodeBars(customerBarcodeSymbols("1000013", "1-3-2-503"));
    ASSERT_EQ(bars.size(), 67);
    using enum BarShape;
    EXPECT_EQ(bars.mid(0, 2), QVector<BarShape>({Long, Lower}));          // STC
    EXPECT_EQ(bars.mid(2, 3), QVector<BarShape>({Long, Long, Timing}));   // 1
    EXPECT_EQ(bars.mid(5, 3), QVector<BarShape>({Long, Timing, Timing})); // 0
    EXPECT_EQ(bars.mid(65, 2), QVector<BarShape>({Lower, Long}));         // SPC
    EXPECT_EQ(customerBarcodeBars({"-", "CC4", "CC8"}),
              QVector<BarShape>({Timing, Long, Timing, Timing, Lower, Upper, Long, Long, Long}));
    const BarcodeGeometry ten{10};
    EXPECT_DOUBLE_EQ(ten.longBar(), 3.6);
    EXPECT_DOUBLE_EQ(ten.timingBar(), 1.2);
    EXPECT_DOUBLE_EQ(ten.pitch(), 1.2);
    EXPECT_DOUBLE_EQ(ten.barWidth(), 0.6);
    EXPECT_NEAR(ten.length(67), 79.8, 1e-9);
}

TEST(CustomerBarcode, TheCodesTownStartsTheAddressOrThereIsNoBarcode) {
    const QVector<PostalTown> kasumigaseki = {town("1000013", "東京都", "千代田区", "霞が関")};
    BarcodeAddress split =
        splitForBarcode(kasumigaseki, "1000013", "東京都千代田区霞が関1丁目3番2号");
    EXPECT_EQ(split.problem, "");
    EXPECT_EQ(split.addressB, "1丁目3番2号");
    // Without the prefecture, the numbers in full width.
    split = splitForBarcode(kasumigaseki, "1000013", "千代田区霞が関１－３－２");
    EXPECT_EQ(split.addressB, "１－３－２");
    // Kyoto: the street first, the town after it.
    const QVector<PostalTown> kyoto = {town("6048151", "京都府", "京都市中京区", "橋弁慶町")};
    split = splitForBarcode(kyoto, "6048151", "京都府京都市中京区蛸薬師通烏丸西入橋弁慶町225");
    EXPECT_EQ(split.problem, "");
    EXPECT_EQ(split.addressB, "225");
    // The county left out and 大字 before the town, as 住所→〒 reads them.
    split = splitForBarcode({town("9960212", "山形県", "最上郡大蔵村", "南山")}, "9960212",
                            "山形県大蔵村大字南山2048");
    EXPECT_EQ(split.problem, "");
    EXPECT_EQ(split.addressB, "2048");
    EXPECT_EQ(splitForBarcode({}, "9999999", "東京都").problem,
              "郵便番号 9999999 は辞書にありません");
    EXPECT_EQ(splitForBarcode(kasumigaseki, "1000013", "大阪府大阪市北区梅田").problem,
              "住所が郵便番号 1000013 の町域で始まっていません");
    const QVector<PostalTown> catchAll = {
        town("1000000", "東京都", "千代田区", "", "以下に掲載がない場合")};
    EXPECT_EQ(splitForBarcode(catchAll, "1000000", "東京都千代田区外神田1-1").problem,
              "郵便番号 1000000 は町域のない番号（以下に掲載がない場合）です");
}
