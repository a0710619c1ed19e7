#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include "recipient_details.h"

#include <optional>

namespace velta {

// A recipient of MST_KOKYAKU in its own types, as the stores read and write it.
struct RecipientRecord {
    qint64 key = 0;                         // KEY1, given by the trigger on insert
    std::optional<qint64> key2;             // KEY2; empty is NULL
    qint64 idnum = 0;                       // IDNUM
    QString surname, givenName;             // NAMAE, NAMAE2
    QString reading;                        // HURIGANA
    QString postalCode;                     // YUBINNO, as typed (hyphen, 〒 and all)
    QString address1, address2;             // JYUSYO, JYUSYO2
    QString jointName1, jointName2;         // RENMEI1, RENMEI2
    QString telephone, memo;                // TEL, MEMO
    int gender = 1;                         // SEIBETU: 1 男性, 2 女性, 0 neither
    std::optional<qint64> year, month, day; // YEAR1, MONTH1, DAY1
    QDateTime modified;                     // LTIME

    bool operator==(const RecipientRecord&) const = default;
};

// What one card prints of a recipient, in the order the composer places it.
struct CardRecipient {
    qint64 key = 0;
    QString postalCode; // as stored; the composer finds its digits
    QString address1, address2;
    QString surname, givenName;
    QString jointName1, jointName2;
    QString memo, reading;
    RecipientDetails details; // 敬称, company, 連名3–5, groups, marks
};

} // namespace velta
