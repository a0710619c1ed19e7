#pragma once

#include "ken_all.h"

#include <QString>
#include <QStringList>
#include <QVector>

namespace velta {

class TDM;

// Japan Post's customer barcode (カスタマバーコード), as its 郵便番号・バーコードマニュアル gives
// it.

// The address number (住所表示番号) of the part of an address after its town (住所B): digits,
// single letters A–Z and the hyphens between them — 「1丁目3番2号 郵便プラザ503室」 →
// 「1-3-2-503」. Kanji numerals before 丁目, 番, 番地, 号 (and the like) count as digits; other
// text between two numbers is a hyphen, none stands beside a letter; letters in a row (a
// building's name) are left out.
QString addressNumber(const QString& addressB);

// The 23 symbols: STC, the seven code digits, the address number over 13 positions (a letter
// takes two, CC1–CC3 and a digit; short numbers are filled with CC4, long ones cut at 13), the
// check symbol (the sum of all 20 a multiple of 19) and SPC. Names as the manual writes them:
// 「0」…「9」, 「-」, 「CC1」…「CC8」, 「STC」, 「SPC」.
QStringList customerBarcodeSymbols(const QString& code, const QString& number);

// The four bars: full height, the upper or lower part with the middle, or the middle alone.
enum class BarShape { Long, Upper, Lower, Timing };
// Three bars a symbol (two for STC and SPC): 67 for a whole barcode.
QVector<BarShape> customerBarcodeBars(const QStringList& symbols);

// The manual's sizes at its size parameter a (8 to 11.5 points), in millimetres.
struct BarcodeGeometry {
    double a = 8;
    double longBar() const { return 3.6 * a / 10; }
    double timingBar() const { return 1.2 * a / 10; }
    double pitch() const { return 1.2 * a / 10; }
    double barWidth() const { return 0.6 * a / 10; }
    double length(qsizetype bars) const { return pitch() * double(bars - 1) + barWidth(); }
};

// An address split for its barcode: the code's town (住所A) found at the start of the address,
// the rest (住所B). `problem` says why there is no barcode: a code not in the dictionary, the
// code of towns not listed (以下に掲載がない場合), or an address that does not begin with the
// code's town.
struct BarcodeAddress {
    QString code, addressB, problem;
};
BarcodeAddress splitForBarcode(const QVector<PostalTown>& towns, const QString& code,
                               const QString& address);

} // namespace velta
