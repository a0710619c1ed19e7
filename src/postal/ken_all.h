#pragma once

#include "progress.h"

#include <QByteArray>
#include <QString>
#include <QVector>

namespace velta {

// One town of Japan Post's postal-code data as the address book uses it.
struct PostalTown {
    QString code;       // seven digits
    QString prefecture; // 東京都
    QString city;       // 千代田区
    QString town;       // 丸の内: what goes into 住所1 (empty: the whole city)
    QString published; // the town as published, notes included: 丸の内（次のビルを除く）
    bool operator==(const PostalTown&) const = default;
};

// Reads the published file as downloaded: the zip (ken_all.zip), the CSV inside it
// (KEN_ALL.CSV, Shift-JIS) or the UTF-8 edition (utf_ken_all.csv). Towns split over several
// rows are joined; one town per code and place. On a fault `error` names the line.
QVector<PostalTown> readPostalFile(const QByteArray& bytes, QString* error,
                                   const Progress& progress = {});

// The town part of 住所1 for a published town: notes in brackets dropped, 「以下に掲載がない場合」,
// 「…の次に番地がくる場合」 and 「…一円」 (the whole city) empty.
QString townForAddress(const QString& published);

// A form of an address for comparing: widths and ケ/ヶ folded.
QString addressKey(const QString& address);

} // namespace velta
