#include "ken_all.h"

#include "cp932.h"
#include "zip_archive.h"

#include <QSet>
#include <QStringDecoder>

#include <algorithm>

namespace velta {
namespace {

// The fields of one CSV line; quotes around a field are dropped ("" inside is one quote).
QStringList csvFields(const QString& line) {
    QStringList fields;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted) {
            if (c == QLatin1Char('"') && i + 1 < line.size() && line[i + 1] == QLatin1Char('"'))
                field += line[++i];
            else if (c == QLatin1Char('"'))
                quoted = false;
            else
                field += c;
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == QLatin1Char(',')) {
            fields.append(field);
            field.clear();
        } else {
            field += c;
        }
    }
    fields.append(field);
    return fields;
}

// The UTF-8 edition is valid UTF-8; Shift-JIS text with kanji never is.
bool isUtf8(const QByteArray& csv) {
    if (csv.startsWith("\xEF\xBB\xBF"))
        return true;
    const qsizetype end = csv.indexOf('\n', 65536);
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString sample = decoder.decode(end < 0 ? csv : csv.left(end));
    return !decoder.hasError();
}

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
    const bool utf8 = isUtf8(csv);
    if (csv.startsWith("\xEF\xBB\xBF"))
        csv.remove(0, 3);
    const QList<QByteArray> lines = csv.split('\n');
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
    for (qsizetype n = 0; n < lines.size(); ++n) {
        if (progress && n % 1000 == 0 && !progress(n, lines.size()))
            return fail(QStringLiteral("中止しました。"));
        QByteArray raw = lines[n];
        if (raw.endsWith('\r'))
            raw.chop(1);
        if (raw.trimmed().isEmpty())
            continue;
        const QString line = utf8 ? QString::fromUtf8(raw) : cp932::decode(raw);
        const int lineNumber = static_cast<int>(n + 1);
        if (line.contains(QChar::ReplacementCharacter))
            return fail(QStringLiteral("%1 行目に読めない文字があります（%2 として読みました）。")
                            .arg(lineNumber)
                            .arg(utf8 ? QStringLiteral("UTF-8") : QStringLiteral("Shift-JIS")));
        const QStringList fields = csvFields(line);
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
