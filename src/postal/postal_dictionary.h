#pragma once

#include "ken_all.h"
#include "progress.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

#include <stdexcept>

namespace velta {

class TDM;

// A postal-code file that cannot be read; the message is shown as it stands.
class PostalFileError : public std::runtime_error {
public:
    explicit PostalFileError(const QString& message) : std::runtime_error(message.toStdString()) {}
};

// The 47 prefectures, 北海道 to 沖縄県.
const QStringList& japanesePrefectures();

// The seven digits of a typed code (half- or full-width, with or without hyphen); empty when
// it is not seven digits.
QString postalCodeDigits(const QString& typed);

// The dictionary lives in the database (table VELTA_POSTAL, made on first import; the address
// book's own tables are not touched), so every program on a server shares it.
bool hasPostalDictionary(TDM& dm);

// Replaces the dictionary with the towns of Japan Post's file, in one transaction: a failure
// or a stop through the progress leaves the old dictionary. Returns the number of towns, or -1
// when stopped.
int importPostalFile(TDM& dm, const QString& fileName, const Progress& progress = {});
int storePostalTowns(TDM& dm, const QVector<PostalTown>& towns, const Progress& progress = {});

// The towns of a code (several when one code serves several towns); none when unknown.
QVector<PostalTown> lookUpPostalCode(TDM& dm, const QString& code);
// Which of these towns an address names, and where the town ends in it (in addressKey's
// characters): the city with or without its prefecture and county, then the town at the start
// of the rest (after 大字 or 字 too) or further on (Kyoto's 「…通烏丸西入橋弁慶町」), the longest
// name; none named, the town-less one (以下に掲載がない場合, 一円). town -1: none.
struct TownInAddress {
    qsizetype town = -1, end = -1;
};
TownInAddress townInAddress(const QVector<PostalTown>& towns, const QString& address);
// The towns whose prefecture, city and town begin 住所1, the longest match (a town's codes).
QVector<PostalTown> lookUpAddress(TDM& dm, const QString& address1);

// 都道府県 + 市区町村 + 町域, as it goes into 住所1.
QString addressOf(const PostalTown& town);

// Checks cards against the dictionary, read once for a whole run.
class PostalCheck {
public:
    PostalCheck() = default; // no dictionary: no problems
    // Reads the places of these codes (a few cards: one lookup each; many: the whole dictionary).
    PostalCheck(TDM& dm, const QStringList& codes);
    bool active() const { return active_; }
    // 「郵便番号と住所が一致しません」 or 「郵便番号 … は辞書にありません」; empty when all is well
    // (or when the card has no code, or there is no dictionary).
    QString problem(const QString& code, const QString& address1) const;

private:
    QHash<QString, QStringList> places_; // code → address keys of prefecture + city
    bool active_ = false;
};

} // namespace velta
