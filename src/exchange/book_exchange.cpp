#include "book_exchange.h"

#include "book_tables.h"
#include "cp932.h"
#include "detail_store.h"
#include "dm.h"
#include "errors.h"
#include "reading_suggestion.h"
#include "safe_output.h"
#include "schema.h"
#include "vcard.h"

#include <QDateTime>
#include <QFile>
#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <limits>

namespace velta {
namespace {

QString headerKey(const QString& header) {
    static const QRegularExpression ignored(QStringLiteral("[\\s（）()・_\\-]"));
    return header.normalized(QString::NormalizationForm_KC).toCaseFolded().remove(ignored);
}

// Usual names of the columns in other programs' files, compared by headerKey.
const QVector<std::pair<Target, QStringList>>& synonyms() {
    static const QVector<std::pair<Target, QStringList>> list = {
        {Target::Surname,
         {"姓", "苗字", "名字", "姓（苗字）", "氏名（姓）", "姓1", "last name", "family name"}},
        {Target::GivenName,
         {"名", "名前", "名（名前）", "氏名（名）", "名1", "first name", "given name"}},
        {Target::FullName, {"氏名", "宛名", "フルネーム", "name", "full name", "display name"}},
        {Target::Reading,
         {"ふりがな", "フリガナ", "よみ", "ヨミ", "読み", "よみがな", "ヨミガナ", "読み仮名",
          "名前フリガナ", "氏名フリガナ", "yomi name"}},
        {Target::ReadingSurname,
         {"姓（ふりがな）", "姓ふりがな", "姓フリガナ", "フリガナ（姓）", "ふりがな（姓）", "セイ",
          "せい", "姓よみ", "よみ（姓）", "phonetic last name", "family name yomi"}},
        {Target::ReadingGiven,
         {"名（ふりがな）", "名ふりがな", "名フリガナ", "フリガナ（名）", "ふりがな（名）", "メイ",
          "めい", "名よみ", "よみ（名）", "phonetic first name", "given name yomi"}},
        {Target::PostalCode,
         {"郵便番号", "〒", "郵便", "postal code", "zip", "zip code", "address 1 - postal code",
          "home postal code", "home zipcode"}},
        {Target::Address1, {"住所", "住所1", "address"}},
        // Google Contacts, Outlook and Thunderbird keep an address in parts; so do many
        // Japanese lists.
        {Target::Prefecture, {"都道府県", "住所（都道府県）", "address 1 - region", "home state"}},
        {Target::City, {"市区町村", "市町村", "住所（市区町村）", "address 1 - city", "home city"}},
        {Target::Street,
         {"番地", "町域番地", "町名番地", "住所（番地）", "address 1 - street", "home street",
          "home address"}},
        {Target::FormattedAddress, {"address 1 - formatted"}},
        {Target::Address2,
         {"住所2", "建物", "建物名", "住所（建物名）", "番地2", "address 1 - extended address",
          "home street 2", "home address 2"}},
        {Target::Joint1, {"連名1", "名2"}},
        {Target::Joint2, {"連名2", "名3"}},
        {Target::Telephone,
         {"電話", "電話番号", "tel", "携帯", "携帯電話", "phone", "phone 1 - value", "home phone",
          "mobile phone", "mobile number"}},
        {Target::Memo, {"メモ", "備考", "ノート", "note", "notes"}},
        // Print shops take six names, each with its 敬称 (姓1 名1 敬称1, 名2 敬称2, …); the
        // postcard design kits 連名1–3; address books a company, department and title.
        {detailTarget(DetailField::Honorific), {"敬称", "敬称1", "宛名敬称"}},
        {detailTarget(DetailField::Company),
         {"会社名", "会社", "勤務先", "勤務先名", "organization", "company"}},
        {detailTarget(DetailField::Department1), {"部署名", "部署", "部門", "department"}},
        {detailTarget(DetailField::Title), {"役職", "役職名", "肩書", "肩書き", "job title"}},
        {detailTarget(DetailField::JointName3), {"名4"}},
        {detailTarget(DetailField::JointName4), {"名5"}},
        {detailTarget(DetailField::JointName5), {"名6"}},
        {detailTarget(DetailField::JointHonorific1), {"連名1敬称", "敬称2"}},
        {detailTarget(DetailField(int(DetailField::JointHonorific1) + 1)), {"連名2敬称", "敬称3"}},
        {detailTarget(DetailField(int(DetailField::JointHonorific1) + 2)), {"連名3敬称", "敬称4"}},
        {detailTarget(DetailField(int(DetailField::JointHonorific1) + 3)), {"連名4敬称", "敬称5"}},
        {detailTarget(DetailField(int(DetailField::JointHonorific1) + 4)), {"連名5敬称", "敬称6"}},
    };
    return list;
}

// Our own export's headers of the details, each the name of its field.
QList<std::pair<Target, QString>> detailHeaders() {
    QList<std::pair<Target, QString>> headers;
    for (int f = 0; f < int(DetailField::Count); ++f)
        headers.append({detailTarget(DetailField(f)), detailHeader(DetailField(f))});
    return headers;
}

const char* columnOf(Target target) {
    switch (target) {
    case Target::Surname:
        return "NAMAE";
    case Target::GivenName:
        return "NAMAE2";
    case Target::Reading:
        return "HURIGANA";
    case Target::PostalCode:
        return "YUBINNO";
    case Target::Address1:
        return "JYUSYO";
    case Target::Address2:
        return "JYUSYO2";
    case Target::Joint1:
        return "RENMEI1";
    case Target::Joint2:
        return "RENMEI2";
    case Target::Telephone:
        return "TEL";
    case Target::Memo:
        return "MEMO";
    default:
        return nullptr;
    }
}

// Two columns that fill one field are alternatives (Thunderbird's Home Phone and Mobile
// Number): the first that holds something is taken, never both joined.
void takeValue(QMap<QString, QString>& values, const QString& column, const QString& text) {
    if (!text.isEmpty() && values.value(column).isEmpty())
        values.insert(column, text);
}

// What other programs' files carry that the book does not: half-width readings and line breaks
// in an address. Postal codes stay as the file has them (the card finds their digits).
void tidyImportedValues(QMap<QString, QString>& values) {
    if (auto reading = values.find(QStringLiteral("HURIGANA")); reading != values.end())
        *reading = widenHalfWidthKatakana(*reading);
    for (const char* column : {"JYUSYO", "JYUSYO2"})
        if (auto address = values.find(QString::fromLatin1(column)); address != values.end())
            address->replace(QLatin1Char('\n'), QStringLiteral("　")).remove(QLatin1Char('\r'));
}

} // namespace

Target detailTarget(DetailField field) {
    return Target(int(Target::FirstDetail) + int(field));
}

DetailField detailOf(Target target) {
    const int field = int(target) - int(Target::FirstDetail);
    return field >= 0 && field < int(DetailField::Count) ? DetailField(field) : DetailField::Count;
}

const QVector<std::pair<Target, QString>>& targetCaptions() {
    static const QVector<std::pair<Target, QString>> list = {
        {Target::Ignore, "取り込まない"},
        {Target::Surname, "姓"},
        {Target::GivenName, "名"},
        {Target::FullName, "氏名（姓と名）"},
        {Target::Reading, "ふりがな"},
        {Target::ReadingSurname, "ふりがな（姓）"},
        {Target::ReadingGiven, "ふりがな（名）"},
        {Target::PostalCode, "郵便番号"},
        {Target::Address1, "住所1"},
        {Target::Prefecture, "住所1（都道府県）"},
        {Target::City, "住所1（市区町村）"},
        {Target::Street, "住所1（番地）"},
        {Target::FormattedAddress, "住所1（住所の部分がないとき）"},
        {Target::Address2, "住所2"},
        {Target::Joint1, "連名1"},
        {Target::Joint2, "連名2"},
        {Target::Telephone, "電話番号"},
        {Target::Memo, "メモ"},
    };
    static const QVector<std::pair<Target, QString>> withDetails = [] {
        QVector<std::pair<Target, QString>> all = list;
        for (const auto& header : detailHeaders())
            all.append(header);
        return all;
    }();
    return withDetails;
}

// A home column's key without the word that says so (郵便番号(自宅欄), 自宅住所(都道府県), 番地
// (自宅), 電話 (自宅)): home columns fill the book; work columns keep their word and match none.
static QString homeKey(const QString& key) {
    static const QRegularExpression home(QStringLiteral("自宅欄|自宅|個人"));
    QString stripped = key;
    stripped.remove(home);
    return stripped.isEmpty() ? key : stripped;
}

// The synonyms' keys, made once: header key → what the column fills.
static const QHash<QString, Target>& synonymKeys() {
    static const QHash<QString, Target> keys = [] {
        QHash<QString, Target> made;
        for (const auto& [candidate, names] : synonyms())
            for (const QString& name : names)
                made.insert(headerKey(name), candidate); // a later synonym wins, as before
        for (const auto& [candidate, header] : detailHeaders())
            made.insert(headerKey(header), candidate);
        return made;
    }();
    return keys;
}

QVector<Target> matchHeaders(const QStringList& headers) {
    QVector<Target> targets;
    bool jointSeen = false;
    for (const QString& header : headers) {
        const QString key = headerKey(header);
        Target target = Target::Ignore;
        if (const ColumnDescription* column = recipientTable().column(header.trimmed());
            column && column->kind != ColumnKind::Text && header.trimmed() != QLatin1String("KEY1"))
            target = Target::OtherColumn;
        else if (header.trimmed() == QLatin1String("K_SHITU"))
            target = Target::OtherColumn;
        else if (key == QStringLiteral("連名")) {
            target = jointSeen ? Target::Joint2 : Target::Joint1; // 連名, 連名
            jointSeen = true;
        } else
            target = synonymKeys().value(homeKey(key), Target::Ignore);
        targets.append(target);
    }
    // A full name beside its parts (Google's Name, Given Name, Family Name) is not taken twice.
    if (targets.contains(Target::Surname) || targets.contains(Target::GivenName))
        std::replace(targets.begin(), targets.end(), Target::FullName, Target::Ignore);
    return targets;
}

ImportRow mapRecord(const CsvRecord& record, const QStringList& headers,
                    const QVector<Target>& targets) {
    const bool ownExport = targets.contains(Target::OtherColumn);
    {
        ImportRow row(record.line);
        QMap<Target, QString> parts;
        for (qsizetype c = 0; c < record.fields.size() && c < targets.size(); ++c) {
            const QString text = record.fields[c].trimmed();
            switch (targets[c]) {
            case Target::Ignore:
                break;
            case Target::FullName: {
                const qsizetype space = text.indexOf(QRegularExpression(QStringLiteral("[ 　]")));
                takeValue(row.values, QStringLiteral("NAMAE"), space < 0 ? text : text.left(space));
                if (space >= 0)
                    takeValue(row.values, QStringLiteral("NAMAE2"), text.mid(space + 1).trimmed());
                break;
            }
            case Target::ReadingSurname:
            case Target::ReadingGiven:
            case Target::Prefecture:
            case Target::City:
            case Target::Street:
                parts[targets[c]] += text; // joined below, in their own order
                break;
            case Target::FormattedAddress:
                parts[targets[c]] = QString(text).replace(QLatin1Char('\n'), QStringLiteral("　"));
                break;
            case Target::OtherColumn:
                row.values[headers.value(c).trimmed()] = text;
                break;
            default:
                if (const DetailField field = detailOf(targets[c]); field != DetailField::Count) {
                    // Another program's empty 敬称 says nothing: the name keeps its 様. Ours
                    // means none.
                    if (text.isEmpty() && !ownExport &&
                        detailText(RecipientDetails{}, field) == kDefaultHonorific)
                        break;
                    if (const QString why = setDetailText(row.details, field, text);
                        !why.isEmpty() && row.refusal.isEmpty())
                        row.refusal = why;
                    break;
                }
                takeValue(row.values, QString::fromLatin1(columnOf(targets[c])), text);
            }
        }
        if (!row.values.contains(QStringLiteral("HURIGANA")))
            takeValue(row.values, QStringLiteral("HURIGANA"),
                      parts[Target::ReadingSurname] + parts[Target::ReadingGiven]);
        if (!ownExport) // our own export comes back exactly as it went out
            tidyImportedValues(row.values);
        // Japanese addresses are written prefecture first, with no space between the parts.
        takeValue(row.values, QStringLiteral("JYUSYO"),
                  parts[Target::Prefecture] + parts[Target::City] + parts[Target::Street]);
        if (!row.values.contains(QStringLiteral("JYUSYO")))
            takeValue(row.values, QStringLiteral("JYUSYO"), parts[Target::FormattedAddress]);
        return row;
    }
}

ImportReport importFile(TDM& dm, ImportReader& reader, const QVector<Target>& targets,
                        const Progress& progress, ImportOptions options) {
    options.withDetails = std::any_of(targets.begin(), targets.end(), [](Target target) {
        return detailOf(target) != DetailField::Count;
    });
    reader.rewind();
    CsvRecord record;
    return importRows(
        dm,
        [&](ImportRow& row) {
            if (!reader.next(record))
                return false;
            row = mapRecord(record, reader.headers(), targets);
            return true;
        },
        progress
            ? Progress([&](qint64, qint64) { return progress(reader.position(), reader.size()); })
            : Progress(),
        options);
}

int exportBook(TDM& dm, const QString& fileName, TextEncoding encoding, const Progress& progress) {
    const QList<const ColumnDescription*> columns = recipientTable().exchangeOrder();
    QStringList names, headers;
    for (const ColumnDescription* column : columns) {
        names.append(column->columnName());
        headers.append(column->headerText());
    }
    SafeOutput file(fileName);
    if (!file.open())
        throw ExchangeError(
            QStringLiteral("「%1」に書き込めません。\n%2").arg(fileName, file.errorString()));
    auto write = [&](const QString& line, int row) {
        QByteArray bytes;
        if (encoding == TextEncoding::Utf8) {
            bytes = line.toUtf8();
        } else {
            if (QString refused; !cp932::tryEncode(line, bytes, &refused))
                throw ExchangeError(
                    QStringLiteral("%1 件目の宛名に Shift-JIS で書けない文字「%2」があります。\n"
                                   "UTF-8 で書き出してください。元のファイルはそのままです。")
                        .arg(row)
                        .arg(refused));
        }
        if (file.device().write(bytes) != bytes.size())
            throw ExchangeError(
                QStringLiteral("「%1」を書き出せませんでした。元のファイルはそのまま"
                               "です。\n%2")
                    .arg(fileName, file.errorString()));
    };
    for (int f = 0; f < int(DetailField::Count); ++f)
        headers.append(detailHeader(DetailField(f)));
    if (encoding == TextEncoding::Utf8)
        file.device().write("\xEF\xBB\xBF");
    write(csvLine(headers), 0);
    UnitOfWork work(dm);
    const QHash<qint64, RecipientDetails> details = DetailStore(dm).readAll();
    const qint64 total = readInteger(dm, QStringLiteral("select count(*) as N from MST_KOKYAKU"),
                                     QStringLiteral("N"));
    StoreStatement query(dm);
    query.Add(QStringLiteral("select %1 from MST_KOKYAKU order by KEY1")
                  .arg(names.join(QStringLiteral(", "))));
    int rows = 0;
    for (query.Open(); !query.Eof(); query.Next()) {
        if (progress && !progress(rows, total))
            return -1; // the file under its own name stays as it was
        QStringList fields;
        for (const QString& name : names) {
            const ParamValue value = query.fieldValue(name);
            if (const auto* time = std::get_if<QDateTime>(&value))
                fields.append(time->toString(kExchangeTimestampFormat));
            else if (const auto* number = std::get_if<qint64>(&value))
                fields.append(QString::number(*number));
            else if (const auto* text = std::get_if<QString>(&value))
                fields.append(*text);
            else
                fields.append(QString());
        }
        const RecipientDetails recipient =
            details.value(query.fieldInteger(QStringLiteral("KEY1")));
        for (int f = 0; f < int(DetailField::Count); ++f)
            fields.append(detailText(recipient, DetailField(f)));
        write(csvLine(fields), ++rows);
    }
    query.Close();
    work.commit();
    if (!file.commit())
        throw ExchangeError(
            QStringLiteral("「%1」を書き出せませんでした。元のファイルはそのままです。\n%2")
                .arg(fileName, file.errorString()));
    return rows;
}

namespace {

constexpr qsizetype kPieceBytes = 1 << 20;

// The reader's headers, its first `keptRows` records and the number of all of them.
ImportTable tableOf(ImportReader& reader, qsizetype keptRows) {
    ImportTable table{reader.kind(), reader.headers(), {}};
    for (CsvRecord record; reader.next(record); ++table.rowCount)
        if (table.rows.size() < keptRows)
            table.rows.append(std::move(record));
    return table;
}

} // namespace

ImportReader::ImportReader(QByteArray bytes) : bytes_(std::move(bytes)) {
    QString why;
    if (!decoding_.detect(bytes_, &why))
        throw ExchangeError(why);
    QString first;
    if (!decoding_.decode(bytes_, 0, decoding_.pieceEnd(bytes_, 0, 4096), first, &why))
        throw ExchangeError(why);
    if (looksLikeVCard(first)) {
        QString text;
        if (!decoding_.decode(bytes_, 0, bytes_.size(), text, &why))
            throw ExchangeError(why);
        ImportTable table = readVCards(text);
        kind_ = table.kind;
        headers_ = table.headers;
        cards_ = std::move(table.rows);
        vCards_ = true;
        return;
    }
    kind_ = QStringLiteral("CSV（%1）").arg(decoding_.name());
    CsvRecord header;
    if (!next(header))
        throw ExchangeError(QStringLiteral("取り込む行がありません。"));
    headers_ = header.fields;
}

ImportReader ImportReader::open(const QString& fileName) {
    QString error;
    QByteArray bytes = readBoundedFile(fileName, kMaxImportFile, &error);
    if (!error.isEmpty())
        throw ExchangeError(error);
    return ImportReader(std::move(bytes));
}

bool ImportReader::readPiece() {
    if (position_ >= bytes_.size())
        return false;
    const qsizetype end = decoding_.pieceEnd(bytes_, position_, kPieceBytes);
    QString text, why;
    if (!decoding_.decode(bytes_, position_, end, text, &why))
        throw ExchangeError(why);
    position_ = end;
    csv_.feed(text);
    if (position_ >= bytes_.size())
        csv_.finish();
    if (!csv_.error().isEmpty())
        throw ExchangeError(csv_.error());
    return true;
}

bool ImportReader::next(CsvRecord& record) {
    if (vCards_) {
        if (nextCard_ >= cards_.size())
            return false;
        record = cards_[nextCard_++];
        return true;
    }
    while (!csv_.takeRecord(record))
        if (!readPiece())
            return false;
    return true;
}

void ImportReader::rewind() {
    nextCard_ = 0;
    if (vCards_)
        return;
    csv_ = CsvReader();
    position_ = 0;
    CsvRecord header;
    next(header);
}

ImportTable readImportBytes(const QByteArray& bytes) {
    ImportReader reader(bytes);
    return tableOf(reader, std::numeric_limits<qsizetype>::max());
}

ImportTable readImportPreview(const QString& fileName, int previewRows) {
    ImportReader reader = ImportReader::open(fileName);
    return tableOf(reader, previewRows);
}

} // namespace velta
