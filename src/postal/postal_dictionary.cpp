#include "postal_dictionary.h"

#include "cp932.h"
#include "csv.h"
#include "dm.h"
#include "errors.h"
#include "schema_version.h"
#include "zip_archive.h"

#include <QFile>
#include <QSet>

#include <algorithm>

namespace velta {
namespace {

const QString kTable = QStringLiteral("VELTA_POSTAL");

void execute(TDM& dm, std::initializer_list<const char*> statements) {
    TIBQuery& query = dm.IBQuery1;
    for (const char* statement : statements) {
        query.Clear();
        query.Add(QString::fromLatin1(statement));
        query.ExecSQL();
        dm.close(); // metadata is committed before it is used
    }
}

void createTable(TDM& dm) {
    execute(dm, {"CREATE TABLE VELTA_POSTAL (YUBINNO CHAR(7) NOT NULL, PREF VARCHAR(10) NOT NULL,"
                 " CITY VARCHAR(50) NOT NULL, TOWN VARCHAR(200) NOT NULL,"
                 " PUBLISHED VARCHAR(1000) NOT NULL)",
                 "CREATE INDEX VELTA_POSTAL_CODE ON VELTA_POSTAL (YUBINNO)",
                 "CREATE INDEX VELTA_POSTAL_PLACE ON VELTA_POSTAL (PREF, CITY)"});
}

// Each prefecture's cities once, written with the dictionary: 住所→〒 reads a prefecture's
// few dozen cities instead of sorting its thousands of towns. (A dictionary stored before it
// existed is read the slow way until it is imported again.)
const QString kCityTable = QStringLiteral("VELTA_POSTAL_CITY");

void createCityTable(TDM& dm) {
    execute(dm, {"CREATE TABLE VELTA_POSTAL_CITY (PREF VARCHAR(10) NOT NULL,"
                 " CITY VARCHAR(50) NOT NULL)",
                 "CREATE INDEX VELTA_POSTAL_CITY_PREF ON VELTA_POSTAL_CITY (PREF)"});
}

// Leaves the connection as a lookup found it: a connection the lookup opened is closed again
// (nothing is written, so a failing close loses nothing).
class ConnectionAsFound {
public:
    explicit ConnectionAsFound(TDM& dm) : dm_(dm), wasOpen_(dm.IBDatabase1.Connected()) {}
    ~ConnectionAsFound() {
        if (wasOpen_)
            return;
        try {
            dm_.close();
        } catch (...) {
            dm_.IBDatabase1.Abandon();
        }
    }
    ConnectionAsFound(const ConnectionAsFound&) = delete;
    ConnectionAsFound& operator=(const ConnectionAsFound&) = delete;

private:
    TDM& dm_;
    bool wasOpen_;
};

// The towns in the order ORDER BY YUBINNO, PREF, CITY, TOWN gives (by the bytes of the
// database's character set), sorted here: the engine would sort whole rows, each with its
// published name of up to 1,000 characters, and that costs more than the lookup itself.
void sortTowns(QVector<PostalTown>& towns, bool unicode) {
    auto bytes = [unicode](const QString& text) {
        QByteArray out;
        if (unicode || !cp932::tryEncode(text, out))
            out = text.toUtf8();
        return out;
    };
    std::stable_sort(towns.begin(), towns.end(), [&](const PostalTown& a, const PostalTown& b) {
        if (a.code != b.code)
            return a.code < b.code;
        for (auto [left, right] :
             {std::pair{&a.prefecture, &b.prefecture}, {&a.city, &b.city}, {&a.town, &b.town}})
            if (*left != *right)
                return bytes(*left) < bytes(*right);
        return false;
    });
}

QVector<PostalTown> readTowns(TDM& dm, const QString& where,
                              const std::function<void(TIBQuery&)>& bind) {
    QVector<PostalTown> towns;
    TIBQuery& query = dm.IBQuery1;
    query.Clear();
    query.Add(QStringLiteral("select YUBINNO, PREF, CITY, TOWN, PUBLISHED from VELTA_POSTAL"));
    query.Add(where);
    bind(query);
    for (query.Open(); !query.Eof(); query.Next())
        towns.append({query.fieldString(0).trimmed(), query.fieldString(1), query.fieldString(2),
                      query.fieldString(3), query.fieldString(4)});
    query.Close();
    sortTowns(towns, dm.IBDatabase1.unicode());
    return towns;
}

// The longest of the candidates that `text` begins with (compared by addressKey); -1 if none.
qsizetype longestPrefix(const QString& text, const QStringList& candidates) {
    const QString key = addressKey(text);
    qsizetype best = -1;
    for (qsizetype i = 0; i < candidates.size(); ++i) {
        const QString candidate = addressKey(candidates[i]);
        if (key.startsWith(candidate) &&
            (best < 0 || candidate.size() > addressKey(candidates[best]).size()))
            best = i;
    }
    return best;
}

// A city as people often write it: 「猿島郡境町」 without its county, 「境町」.
QString withoutCounty(const QString& city) {
    const qsizetype county = city.indexOf(QChar(u'郡'));
    return county > 0 && county + 1 < city.size() ? city.mid(county + 1) : QString();
}

QStringList distinctCities(TDM& dm, const QString& prefecture) {
    const bool listed = tableExists(dm, kCityTable);
    TIBQuery& query = dm.IBQuery1;
    query.Clear();
    query.Add(listed ? QStringLiteral("select CITY from VELTA_POSTAL_CITY")
                     : QStringLiteral("select distinct CITY from VELTA_POSTAL"));
    query.Add(QStringLiteral("where PREF = :PREF"));
    query.setString(QStringLiteral("PREF"), prefecture);
    QStringList values;
    for (query.Open(); !query.Eof(); query.Next())
        values.append(query.fieldString(0));
    query.Close();
    return values;
}

} // namespace

const QStringList& japanesePrefectures() {
    static const QStringList names = {
        "北海道", "青森県", "岩手県", "宮城県", "秋田県", "山形県",   "福島県", "茨城県",
        "栃木県", "群馬県", "埼玉県", "千葉県", "東京都", "神奈川県", "新潟県", "富山県",
        "石川県", "福井県", "山梨県", "長野県", "岐阜県", "静岡県",   "愛知県", "三重県",
        "滋賀県", "京都府", "大阪府", "兵庫県", "奈良県", "和歌山県", "鳥取県", "島根県",
        "岡山県", "広島県", "山口県", "徳島県", "香川県", "愛媛県",   "高知県", "福岡県",
        "佐賀県", "長崎県", "熊本県", "大分県", "宮崎県", "鹿児島県", "沖縄県"};
    return names;
}

QString postalCodeDigits(const QString& typed) {
    QString digits = typed.normalized(QString::NormalizationForm_KC);
    for (const QChar dash :
         {QChar(u'-'), QChar(0x2010), QChar(0x2212), QChar(0x30FC), QChar(0x2015), QChar(u' ')})
        digits.remove(dash);
    const bool seven = digits.size() == 7 && std::all_of(digits.begin(), digits.end(), [](QChar c) {
                           return c >= QLatin1Char('0') && c <= QLatin1Char('9');
                       });
    return seven ? digits : QString();
}

QString addressOf(const PostalTown& town) {
    return town.prefecture + town.city + town.town;
}

TownInAddress townInAddress(const QVector<PostalTown>& towns, const QString& address) {
    const QString key = addressKey(address);
    // The city first: with or without its prefecture and its county, the longest form.
    qsizetype cityEnd = -1;
    for (const PostalTown& town : towns)
        for (const QString& city :
             {town.prefecture + town.city, town.city, town.prefecture + withoutCounty(town.city),
              withoutCounty(town.city)})
            if (const QString cityKey = addressKey(city);
                !city.isEmpty() && city != town.prefecture && key.startsWith(cityKey))
                cityEnd = std::max(cityEnd, cityKey.size());
    if (cityEnd < 0)
        return {};
    // Then the town: at the start of the rest (大字 or 字 aside), or further on, as Kyoto's
    // addresses name the street first; the longest name wins.
    const QString rest = key.mid(cityEnd);
    TownInAddress found;
    auto longest = [&](auto&& endIn) {
        for (qsizetype i = 0; i < towns.size(); ++i) {
            const QString name = addressKey(towns[i].town);
            if (name.isEmpty() ||
                (found.town >= 0 && towns[i].town.size() <= towns[found.town].town.size()))
                continue;
            if (const qsizetype end = endIn(name); end >= 0)
                found = {i, cityEnd + end};
        }
    };
    longest([&](const QString& name) { return rest.startsWith(name) ? name.size() : -1; });
    for (const QString& prefix : {QStringLiteral("大字"), QStringLiteral("字")})
        if (found.town < 0 && rest.startsWith(prefix))
            longest([&](const QString& name) {
                return rest.mid(prefix.size()).startsWith(name) ? prefix.size() + name.size() : -1;
            });
    if (found.town < 0)
        longest([&](const QString& name) {
            const qsizetype at = rest.indexOf(name);
            return at >= 0 ? at + name.size() : -1;
        });
    // None named: the city's code for towns not listed, when it has one.
    for (qsizetype i = 0; found.town < 0 && i < towns.size(); ++i)
        if (towns[i].town.isEmpty())
            found = {i, cityEnd};
    return found;
}

bool hasPostalDictionary(TDM& dm) {
    const ConnectionAsFound connection(dm);
    return tableExists(dm, kTable) &&
           readInteger(dm,
                       QStringLiteral("select count(*) as N from (select first 1 1 as X from "
                                      "VELTA_POSTAL)"),
                       QStringLiteral("N")) > 0;
}

int importPostalFile(TDM& dm, const QString& fileName, const Progress& progress) {
    QString unreadable;
    const QByteArray bytes = readBoundedFile(fileName, kMaxZipMember, &unreadable);
    if (!unreadable.isEmpty())
        throw PostalFileError(unreadable + QStringLiteral("辞書は元のままです。"));
    // Reading is the first half of the work, storing the second.
    bool stopped = false;
    auto half = [&](qint64 offset) -> Progress {
        if (!progress)
            return {};
        return [&, offset](qint64 done, qint64 total) {
            stopped = !progress(offset + done * 50 / std::max<qint64>(total, 1), 100);
            return !stopped;
        };
    };
    QString error;
    const QVector<PostalTown> towns = readPostalFile(bytes, &error, half(0));
    if (stopped)
        return -1;
    if (towns.isEmpty())
        throw PostalFileError(QStringLiteral("「%1」を取り込めません。辞書は元のままです。\n%2")
                                  .arg(fileName, error));
    return storePostalTowns(dm, towns, half(50));
}

int storePostalTowns(TDM& dm, const QVector<PostalTown>& towns, const Progress& progress) {
    if (!tableExists(dm, kTable))
        createTable(dm);
    if (!tableExists(dm, kCityTable))
        createCityTable(dm);
    RollbackOnError rollback(dm);
    TIBQuery& query = dm.IBQuery1;
    for (const char* table : {"delete from VELTA_POSTAL", "delete from VELTA_POSTAL_CITY"}) {
        query.Clear();
        query.Add(QString::fromLatin1(table));
        query.ExecSQL();
    }
    query.Clear();
    query.Add(QStringLiteral("insert into VELTA_POSTAL (YUBINNO, PREF, CITY, TOWN, PUBLISHED) "
                             "values (:YUBINNO, :PREF, :CITY, :TOWN, :PUBLISHED)"));
    query.setCaption(QStringLiteral("TOWN"), QStringLiteral("町域"));
    query.setCaption(QStringLiteral("PUBLISHED"), QStringLiteral("町域"));
    query.setCaption(QStringLiteral("CITY"), QStringLiteral("市区町村"));
    query.setCaption(QStringLiteral("PREF"), QStringLiteral("都道府県"));
    for (qsizetype i = 0; i < towns.size(); ++i) {
        if (progress && i % 500 == 0 && !progress(i, towns.size())) {
            dm.IBDatabase1.Abandon(); // the old dictionary stays
            return -1;
        }
        const PostalTown& town = towns[i];
        query.setString(QStringLiteral("YUBINNO"), town.code);
        query.setString(QStringLiteral("PREF"), town.prefecture);
        query.setString(QStringLiteral("CITY"), town.city);
        query.setString(QStringLiteral("TOWN"), town.town);
        query.setString(QStringLiteral("PUBLISHED"), town.published);
        try {
            query.ExecSQL();
        } catch (const DbError& error) {
            throw DbError(
                QStringLiteral("郵便番号 %1（%2%3%4）を辞書に入れられません。辞書は元の"
                               "ままです。\n%5")
                    .arg(town.code, town.prefecture, town.city, town.published, error.message()),
                error.sqlCode());
        }
    }
    query.Clear();
    query.Add(QStringLiteral(
        "insert into VELTA_POSTAL_CITY select distinct PREF, CITY from VELTA_POSTAL"));
    query.ExecSQL();
    dm.close();
    return static_cast<int>(towns.size());
}

QVector<PostalTown> lookUpPostalCode(TDM& dm, const QString& code) {
    const QString digits = postalCodeDigits(code);
    const ConnectionAsFound connection(dm);
    if (digits.isEmpty() || !tableExists(dm, kTable))
        return {};
    return readTowns(dm, QStringLiteral("where YUBINNO = :YUBINNO"),
                     [&](TIBQuery& query) { query.setString(QStringLiteral("YUBINNO"), digits); });
}

QVector<PostalTown> lookUpAddress(TDM& dm, const QString& address1) {
    const ConnectionAsFound connection(dm);
    if (address1.trimmed().isEmpty() || !tableExists(dm, kTable))
        return {};
    const QStringList& prefectures = japanesePrefectures();
    const qsizetype prefecture = longestPrefix(address1, prefectures);
    if (prefecture < 0)
        return {};
    const QString rest = addressKey(address1).mid(addressKey(prefectures[prefecture]).size());
    const QStringList cities = distinctCities(dm, prefectures[prefecture]);
    qsizetype city = longestPrefix(rest, cities);
    if (city < 0) { // the county left out
        QStringList shortened;
        for (const QString& name : cities)
            shortened.append(withoutCounty(name));
        city = longestPrefix(rest, shortened);
        if (city < 0 || shortened[city].isEmpty())
            return {};
    }
    const QVector<PostalTown> towns =
        readTowns(dm, QStringLiteral("where PREF = :PREF and CITY = :CITY"), [&](TIBQuery& query) {
            query.setString(QStringLiteral("PREF"), prefectures[prefecture]);
            query.setString(QStringLiteral("CITY"), cities[city]);
        });
    // The town named, or else the city's codes for towns not listed: every town of that name,
    // to choose from, never one picked for the user.
    const TownInAddress named = townInAddress(towns, address1);
    QVector<PostalTown> found;
    for (const PostalTown& town : towns)
        if (named.town >= 0 && town.town == towns[named.town].town)
            found.append(town);
    return found;
}

PostalCheck::PostalCheck(TDM& dm, const QStringList& codes) {
    constexpr qsizetype kLookUpEachBelow = 2000; // about the time of reading it all
    const ConnectionAsFound connection(dm);
    active_ = hasPostalDictionary(dm);
    QSet<QString> wanted;
    for (const QString& code : codes)
        if (const QString digits = postalCodeDigits(code); !digits.isEmpty())
            wanted.insert(digits);
    if (active_ && !wanted.isEmpty()) {
        TIBQuery& query = dm.IBQuery1;
        auto read = [&] {
            for (query.Open(); !query.Eof(); query.Next()) {
                QStringList& places = places_[query.fieldString(0).trimmed()];
                places.append(addressKey(query.fieldString(1) + query.fieldString(2)));
                if (const QString city = withoutCounty(query.fieldString(2)); !city.isEmpty())
                    places.append(addressKey(query.fieldString(1) + city)); // 郡 left out
            }
            query.Close();
        };
        query.Clear();
        query.Add(QStringLiteral("select distinct YUBINNO, PREF, CITY from VELTA_POSTAL"));
        if (wanted.size() < kLookUpEachBelow) {
            query.Add(QStringLiteral("where YUBINNO = :YUBINNO"));
            for (const QString& code : wanted) {
                query.setString(QStringLiteral("YUBINNO"), code);
                read();
            }
        } else {
            read();
        }
    }
}

QString PostalCheck::problem(const QString& code, const QString& address1) const {
    const QString digits = postalCodeDigits(code);
    if (!active() || code.trimmed().isEmpty())
        return {};
    const auto found = places_.constFind(digits);
    if (digits.isEmpty() || found == places_.constEnd())
        return QStringLiteral("郵便番号 %1 は辞書にありません").arg(code.trimmed());
    const QString key = addressKey(address1);
    const bool matches = std::any_of(found->begin(), found->end(),
                                     [&](const QString& place) { return key.startsWith(place); });
    return matches ? QString() : QStringLiteral("郵便番号と住所が一致しません");
}

} // namespace velta
