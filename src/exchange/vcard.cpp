#include "vcard.h"

#include "book_exchange.h"
#include "cp932.h"

#include <QRegularExpression>

namespace velta {
namespace {

// The parts of a structured value (N, ADR), split at unescaped semicolons and unescaped.
QStringList parts(const QString& value, QChar separator = QLatin1Char(';')) {
    QStringList result;
    QString part;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c == QLatin1Char('\\') && i + 1 < value.size()) {
            const QChar next = value[++i];
            part += (next == QLatin1Char('n') || next == QLatin1Char('N')) ? QChar(u'\n') : next;
        } else if (c == separator) {
            result.append(part);
            part.clear();
        } else {
            part += c;
        }
    }
    result.append(part);
    return result;
}

QByteArray quotedPrintable(const QString& value) {
    QByteArray bytes;
    const QByteArray raw = value.toLatin1();
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw[i] == '=' && i + 2 < raw.size()) {
            bytes.append(static_cast<char>(raw.mid(i + 1, 2).toInt(nullptr, 16)));
            i += 2;
        } else {
            bytes.append(raw[i]);
        }
    }
    return bytes;
}

struct Property {
    QString name;                      // upper case, group dropped
    QMap<QString, QString> parameters; // upper-case names
    QString value;
};

// A repeated parameter adds to the one before (TYPE=HOME;TYPE=pref is home and preferred).
void addParameter(Property& p, const QString& name, const QString& value) {
    QString& values = p.parameters[name];
    values = values.isEmpty() ? value : values + QLatin1Char(',') + value;
}

// Quoted-printable bytes in the character set the property names (vCard 2.1's CHARSET), or as
// the file's own text is read when it names none.
QString decodeQuotedPrintable(const Property& p) {
    const QByteArray bytes = quotedPrintable(p.value);
    const QString charset = p.parameters.value(QStringLiteral("CHARSET")).toUpper();
    QString why;
    QString text;
    if (charset == QLatin1String("ISO-8859-1") || charset == QLatin1String("LATIN1") ||
        charset == QLatin1String("WINDOWS-1252")) {
        text = QString::fromLatin1(bytes);
    } else if (charset == QLatin1String("SHIFT_JIS") || charset == QLatin1String("SJIS") ||
               charset == QLatin1String("CP932") || charset == QLatin1String("WINDOWS-31J")) {
        qsizetype badAt = 0;
        if (!cp932::decodeStrict(bytes, text, &badAt))
            why = QStringLiteral("%1 バイト目は Shift-JIS として読めません。").arg(badAt + 1);
    } else {
        text = decodeText(bytes, nullptr, &why);
    }
    if (!why.isEmpty())
        throw ExchangeError(QStringLiteral("%1 の値: %2").arg(p.name, why));
    return text;
}

// The name and parameters of a content line and where its value begins: `;` and `:` inside a
// double-quoted parameter value (SORT-AS="山田;太郎") are part of the value.
QStringList headOf(const QString& line, qsizetype* colon) {
    QStringList head{QString()};
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (!quoted && c == QLatin1Char(':')) {
            *colon = i;
            return head;
        } else if (!quoted && c == QLatin1Char(';'))
            head.append(QString());
        else
            head.last() += c;
    }
    *colon = -1;
    return head;
}

Property property(const QString& line) {
    Property p;
    qsizetype colon = -1;
    const QStringList head = headOf(line, &colon);
    p.name = head.first().section(QLatin1Char('.'), -1).toUpper();
    for (qsizetype i = 1; i < head.size(); ++i) {
        const qsizetype equals = head[i].indexOf(QLatin1Char('='));
        if (equals < 0)
            addParameter(p, QStringLiteral("TYPE"), head[i].toUpper()); // 2.1: ADR;HOME
        else
            addParameter(p, head[i].left(equals).toUpper(), head[i].mid(equals + 1));
    }
    p.value = colon < 0 ? QString() : line.mid(colon + 1);
    if (p.parameters.value(QStringLiteral("ENCODING"))
            .compare(QLatin1String("QUOTED-PRINTABLE"), Qt::CaseInsensitive) == 0)
        p.value = decodeQuotedPrintable(p);
    return p;
}

const QStringList kHeaders = {
    QStringLiteral("姓"),       QStringLiteral("名"),      QStringLiteral("ふりがな"),
    QStringLiteral("郵便番号"), QStringLiteral("住所1"),   QStringLiteral("住所2"),
    QStringLiteral("電話番号"), QStringLiteral("メモ"),    QStringLiteral("会社名"),
    QStringLiteral("部署名1"),  QStringLiteral("部署名2"), QStringLiteral("役職")};

} // namespace

bool looksLikeVCard(const QString& text) {
    return text.trimmed().startsWith(QLatin1String("BEGIN:VCARD"), Qt::CaseInsensitive);
}

ImportTable readVCards(const QString& text) {
    ImportTable table{QStringLiteral("vCard"), kHeaders, {}};
    // Unfolded lines with the line each begins on; 2.1's quoted-printable soft breaks joined.
    // Joined in place, and whether a property is quoted-printable is read once from its name
    // part: a long property costs its length, not its length squared.
    QList<std::pair<int, QString>> lines;
    bool softBreaks = false;
    const QStringList raw = QString(text)
                                .replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
                                .split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const QString& line = raw[i];
        QString* current = lines.isEmpty() ? nullptr : &lines.back().second;
        if (current && (line.startsWith(QLatin1Char(' ')) || line.startsWith(QLatin1Char('\t')))) {
            current->append(QStringView(line).mid(1));
        } else if (current && softBreaks && current->endsWith(QLatin1Char('='))) {
            current->chop(1);
            current->append(line);
        } else {
            lines.append({static_cast<int>(i + 1), line});
            softBreaks = QStringView(line)
                             .left(std::max<qsizetype>(line.indexOf(QLatin1Char(':')), 0))
                             .contains(QLatin1String("QUOTED-PRINTABLE"), Qt::CaseInsensitive);
        }
        if (lines.back().second.size() > kMaxCsvFieldLength)
            throw ExchangeError(QStringLiteral("%1 行目から続く項目が長すぎます（%2 文字まで）。"
                                               "何も取り込んでいません。")
                                    .arg(lines.back().first)
                                    .arg(kMaxCsvFieldLength));
    }
    CsvRecord card;
    QString readingLast, readingFirst, sortAs, addressPick;
    bool inCard = false, nameSeen = false, nameJapanese = false;
    int nested = 0;
    for (const auto& [number, line] : lines) {
        const Property p = property(line);
        // A card inside a card (2.1's AGENT) is part of its property, not a recipient.
        if (inCard && nested > 0) {
            nested += p.name == QLatin1String("BEGIN") ? 1
                      : p.name == QLatin1String("END") ? -1
                                                       : 0;
            continue;
        }
        if (inCard && (p.name == QLatin1String("BEGIN") || p.name == QLatin1String("AGENT"))) {
            nested = p.name == QLatin1String("BEGIN") ? 1 : 0;
            continue;
        }
        if (p.name == QLatin1String("BEGIN")) {
            inCard = true;
            card = CsvRecord{number, QStringList(kHeaders.size())};
            readingLast.clear();
            readingFirst.clear();
            sortAs.clear();
            addressPick.clear();
            nameSeen = nameJapanese = false;
            continue;
        }
        if (!inCard)
            continue;
        QStringList& f = card.fields;
        if (p.name == QLatin1String("END")) {
            f[2] = !readingLast.isEmpty() || !readingFirst.isEmpty() ? readingLast + readingFirst
                                                                     : sortAs;
            table.rows.append(card);
            inCard = false;
        } else if (p.name == QLatin1String("N")) {
            // 4.0 may give the name in several languages (ALTID): the first, or the Japanese.
            const bool japanese = p.parameters.value(QStringLiteral("LANGUAGE"))
                                      .startsWith(QLatin1String("ja"), Qt::CaseInsensitive);
            if (nameSeen && (nameJapanese || !japanese))
                continue;
            nameSeen = true;
            nameJapanese = japanese;
            const QStringList n = parts(p.value);
            f[0] = n.value(0).trimmed();
            f[1] = n.value(1).trimmed();
            if (p.parameters.contains(QStringLiteral("SORT-AS")))
                sortAs = parts(QString(p.parameters.value(QStringLiteral("SORT-AS")))
                                   .replace(QLatin1Char(';'), QLatin1Char(',')),
                               QLatin1Char(','))
                             .join(QString())
                             .trimmed();
        } else if (p.name == QLatin1String("FN") && f[0].isEmpty()) {
            const QString full = p.value.trimmed();
            const qsizetype space = full.indexOf(QRegularExpression(QStringLiteral("[ 　]")));
            f[0] = space < 0 ? full : full.left(space);
            f[1] = space < 0 ? QString() : full.mid(space + 1).trimmed();
        } else if (p.name == QLatin1String("X-PHONETIC-LAST-NAME")) {
            readingLast = parts(p.value).join(QString()).trimmed();
        } else if (p.name == QLatin1String("X-PHONETIC-FIRST-NAME")) {
            readingFirst = parts(p.value).join(QString()).trimmed();
        } else if (p.name == QLatin1String("SOUND") && sortAs.isEmpty()) {
            sortAs = parts(p.value).join(QString()).trimmed(); // SOUND;X-IRMC-N:ヤマダ;タロウ;;;
        } else if (p.name == QLatin1String("ADR")) {
            const bool home = p.parameters.value(QStringLiteral("TYPE"))
                                  .contains(QLatin1String("HOME"), Qt::CaseInsensitive);
            if (!addressPick.isEmpty() && !(home && addressPick != QLatin1String("home")))
                continue; // the first address, or the home address when there is one
            addressPick = home ? QStringLiteral("home") : QStringLiteral("first");
            // post office box; extended (building); street; locality; region; postal code
            const QStringList adr = parts(p.value);
            f[3] = adr.value(5).trimmed();
            f[4] = (adr.value(4) + adr.value(3) + adr.value(2)).trimmed();
            f[5] = (adr.value(1) + adr.value(0)).trimmed();
        } else if (p.name == QLatin1String("TEL") && f[6].isEmpty()) {
            f[6] = p.value.trimmed().remove(QStringLiteral("tel:"));
        } else if (p.name == QLatin1String("NOTE")) {
            f[7] = parts(p.value, QChar()).join(QString());
        } else if (p.name == QLatin1String("ORG") && f[8].isEmpty()) {
            // organisation; unit; sub-unit
            const QStringList org = parts(p.value);
            f[8] = org.value(0).trimmed();
            f[9] = org.value(1).trimmed();
            f[10] = org.value(2).trimmed();
        } else if (p.name == QLatin1String("TITLE") && f[11].isEmpty()) {
            f[11] = p.value.trimmed();
        }
    }
    if (inCard) // a file cut short: its last card would be lost without a word
        throw ExchangeError(QStringLiteral("%1 行目から始まる vCard に END:VCARD がありません。"
                                           "ファイルが途中で切れているようです。何も取り込んで"
                                           "いません。")
                                .arg(card.line));
    return table;
}

} // namespace velta
