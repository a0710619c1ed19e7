#include "ken_all.h"

#include "csv.h"
#include "zip_archive.h"

#include <QSet>

#include <algorithm>

namespace velta {
namespace {

int unclosedBrackets(const QString& text) {
    return static_cast<int>(text.count(QStringLiteral("（")) - text.count(QStringLiteral("）")));
}

} // namespace

QString townForAddress(const QString& published) {
    QString town = published;
    const qsizetype bracket = town.indexOf(QStringLiteral("（"));
    if (bracket >= 0)
        town.truncate(bracket);
    if (town == QStringLiteral("以下に掲載がない場合") ||
        town.endsWith(QStringLiteral("の次に番地がくる場合")) ||
        (town.endsWith(QStringLiteral("一円")) && town.size() > 2))
        return {};
    return town;
}

QString addressKey(const QString& address) {
    QString key = address.normalized(QString::NormalizationForm_KC);
    key.replace(QChar(0x30F6), QChar(0x30B1)); // ヶ → ケ
    key.replace(QChar(0x30F5), QChar(0x30AB)); // ヵ → カ
    key.remove(QLatin1Char(' '));
    return key;
}

QVector<PostalTown> readPostalFile(const QByteArray& bytes, QString* error,
                                   const Progress& progress) {
    auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        return QVector<PostalTown>();
    };
    QByteArray csv = bytes;
    if (looksLikeZip(bytes)) {
        QString why;
        csv = unzipFirst(bytes, QStringLiteral(".csv"), &why);
        if (csv.isEmpty())
            return fail(why);
    }
    QString encoding, why;
    const QString text = decodeText(csv, &encoding, &why);
    if (!why.isEmpty())
        return fail(why);
    const QList<CsvRecord> records = parseCsv(text, &why);
    if (!why.isEmpty())
        return fail(why);
    QVector<PostalTown> towns;
    QSet<QString> seen;
    PostalTown pending;
    int pendingOpen = 0;
    int pendingLine = 0;
    auto keep = [&](PostalTown town) {
        town.town = townForAddress(town.published);
        const QString key = town.code + QLatin1Char('\t') + town.prefecture + QLatin1Char('\t') +
                            town.city + QLatin1Char('\t') + town.town;
        if (!seen.contains(key)) {
            seen.insert(key);
            towns.append(town);
        }
    };
    for (qsizetype n = 0; n < records.size(); ++n) {
        if (progress && n % 1000 == 0 && !progress(n, records.size()))
            return fail(QStringLiteral("中止しました。"));
        const QStringList& fields = records[n].fields;
        const int lineNumber = records[n].line;
        if (fields.join(QString()).contains(QChar::ReplacementCharacter))
            return fail(QStringLiteral("%1 行目に読めない文字があります（%2 として読みました）。")
                            .arg(lineNumber)
                            .arg(encoding));
        const QString code = fields.value(2).trimmed();
        if (fields.size() < 9 || code.size() != 7 ||
            !std::all_of(code.begin(), code.end(), [](QChar c) { return c.isDigit(); }))
            return fail(QStringLiteral("%1 行目は日本郵便の郵便番号データの形式ではありません。")
                            .arg(lineNumber));
        const QString published = fields[8].trimmed();
        // A long town goes on over the following rows of the same code until its bracket closes.
        if (pendingOpen > 0 && code == pending.code) {
            pending.published += published;
            pendingOpen += unclosedBrackets(published);
            if (pendingOpen <= 0) {
                keep(pending);
                pendingOpen = 0;
            }
            continue;
        }
        if (pendingOpen > 0)
            return fail(
                QStringLiteral("%1 行目から続く町域の括弧が閉じていません。").arg(pendingLine));
        PostalTown town{code, fields[6].trimmed(), fields[7].trimmed(), {}, published};
        if (const int open = unclosedBrackets(published); open > 0) {
            pending = town;
            pendingOpen = open;
            pendingLine = lineNumber;
            continue;
        }
        keep(town);
    }
    if (pendingOpen > 0)
        return fail(QStringLiteral("%1 行目から続く町域の括弧が閉じていません。").arg(pendingLine));
    if (towns.isEmpty())
        return fail(QStringLiteral("郵便番号のデータがありません。"));
    return towns;
}

} // namespace velta
