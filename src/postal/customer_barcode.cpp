#include "customer_barcode.h"

#include "postal_dictionary.h"

#include <QRegularExpression>

namespace velta {
namespace {

const QString kKanjiDigits = QStringLiteral("〇一二三四五六七八九");
const QString kKanjiNumerals = QStringLiteral("〇一二三四五六七八九十百千");
// What follows a number of an address: its counters and the hyphen-like 「の」.
const QStringList kCounters = {"丁目", "丁", "番地", "番", "号", "地割", "線", "の", "ノ", "-"};

// 二十三 → 23, 百五 → 105, 一〇一 → 101.
QString arabicOf(const QString& kanji) {
    if (!kanji.contains(QRegularExpression(QStringLiteral("[十百千]")))) {
        QString digits;
        for (const QChar c : kanji)
            digits += QChar(char16_t(u'0' + kKanjiDigits.indexOf(c)));
        return digits;
    }
    int value = 0, pending = 0;
    for (const QChar c : kanji) {
        const int unit = c == QChar(u'十')   ? 10
                         : c == QChar(u'百') ? 100
                         : c == QChar(u'千') ? 1000
                                             : 0;
        if (unit) {
            value += (pending ? pending : 1) * unit;
            pending = 0;
        } else {
            pending = pending * 10 + int(kKanjiDigits.indexOf(c));
        }
    }
    return QString::number(value + pending);
}

// Kanji numerals that number the address (before a counter, a hyphen, a space or the end)
// become digits; those of names (第一ビル, 三田) stay.
QString withArabicNumbers(const QString& text) {
    QString result;
    qsizetype i = 0;
    while (i < text.size()) {
        if (!kKanjiNumerals.contains(text.at(i))) {
            result += text.at(i++);
            continue;
        }
        qsizetype end = i;
        while (end < text.size() && kKanjiNumerals.contains(text.at(end)))
            ++end;
        const QString rest = text.mid(end);
        const bool numbers = rest.isEmpty() || rest.front().isSpace() ||
                             std::any_of(kCounters.begin(), kCounters.end(),
                                         [&](const QString& c) { return rest.startsWith(c); });
        result += numbers ? arabicOf(text.mid(i, end - i)) : text.mid(i, end - i);
        i = end;
    }
    return result;
}

bool isLetter(QChar c) {
    return c >= QLatin1Char('A') && c <= QLatin1Char('Z');
}

int valueOf(const QString& symbol) {
    if (symbol == QLatin1String("-"))
        return 10;
    if (symbol.startsWith(QLatin1String("CC")))
        return 10 + symbol.mid(2).toInt();
    return symbol.toInt();
}

QString symbolOf(int value) {
    if (value < 10)
        return QString::number(value);
    return value == 10 ? QStringLiteral("-") : QStringLiteral("CC%1").arg(value - 10);
}

} // namespace

QString addressNumber(const QString& addressB) {
    const QString text =
        withArabicNumbers(addressB.normalized(QString::NormalizationForm_KC).toUpper());
    QString number;
    bool separated = false; // text left out since the last character kept
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const bool letter = isLetter(c) && (i == 0 || !isLetter(text.at(i - 1))) &&
                            (i + 1 == text.size() || !isLetter(text.at(i + 1)));
        if (!c.isDigit() && !letter) {
            separated = true;
            continue;
        }
        // A hyphen only between two numbers: never beside a letter, never first.
        if (separated && !number.isEmpty() && !letter && !isLetter(number.back()))
            number += QLatin1Char('-');
        number += c.isDigit() ? QChar(char16_t(u'0' + c.digitValue())) : c;
        separated = false;
    }
    return number;
}

QStringList customerBarcodeSymbols(const QString& code, const QString& number) {
    QStringList data;
    for (const QChar c : code)
        data.append(QString(c));
    QStringList address;
    for (const QChar c : number) {
        if (isLetter(c)) { // A–J CC1, K–T CC2, U–Z CC3, then the letter's place as a digit
            const int place = c.unicode() - 'A';
            address += {QStringLiteral("CC%1").arg(place / 10 + 1), QString::number(place % 10)};
        } else {
            address.append(QString(c));
        }
    }
    // Past 13 positions the rest is left out (a letter's control code may stand last alone).
    address = address.mid(0, 13);
    while (address.size() < 13)
        address.append(QStringLiteral("CC4"));
    data += address;
    int sum = 0;
    for (const QString& symbol : data)
        sum += valueOf(symbol);
    return QStringList{QStringLiteral("STC")} + data +
           QStringList{symbolOf((19 - sum % 19) % 19), QStringLiteral("SPC")};
}

QVector<BarShape> customerBarcodeBars(const QStringList& symbols) {
    // The manual's table: 1 long, 2 upper, 3 lower, 4 timing.
    static const QHash<QString, const char*> bars = {
        {"1", "114"},   {"2", "132"},   {"3", "312"},   {"4", "123"},   {"5", "141"},
        {"6", "321"},   {"7", "213"},   {"8", "231"},   {"9", "411"},   {"0", "144"},
        {"-", "414"},   {"CC1", "324"}, {"CC2", "342"}, {"CC3", "234"}, {"CC4", "432"},
        {"CC5", "243"}, {"CC6", "423"}, {"CC7", "441"}, {"CC8", "111"}, {"STC", "13"},
        {"SPC", "31"}};
    QVector<BarShape> shapes;
    for (const QString& symbol : symbols)
        for (const char* bar = bars.value(symbol, ""); *bar; ++bar)
            shapes.append(static_cast<BarShape>(*bar - '1'));
    return shapes;
}

BarcodeAddress splitForBarcode(const QVector<PostalTown>& towns, const QString& code,
                               const QString& address) {
    BarcodeAddress split{code, {}, {}};
    if (towns.isEmpty()) {
        split.problem = QStringLiteral("郵便番号 %1 は辞書にありません").arg(code);
        return split;
    }
    const TownInAddress named = townInAddress(towns, address);
    if (named.town < 0) {
        split.problem = QStringLiteral("住所が郵便番号 %1 の町域で始まっていません").arg(code);
        return split;
    }
    if (towns[named.town].published == QStringLiteral("以下に掲載がない場合")) {
        split.problem =
            QStringLiteral("郵便番号 %1 は町域のない番号（以下に掲載がない場合）です").arg(code);
        return split;
    }
    // The town's end in the address as typed (its widths may differ from the dictionary's).
    qsizetype end = 0;
    while (end < address.size() && addressKey(address.left(end)).size() < named.end)
        ++end;
    split.addressB = address.mid(end);
    return split;
}

} // namespace velta
