#pragma once

#include "dm.h"

#include <QMap>
#include <QString>

namespace velta {

// A stored recipient's columns as read, to find out whether it changed since.
using RecipientRow = QMap<QString, ParamValue>;

// The texts of the address entry window, exactly as typed.
struct RecipientFields {
    QString idnum; // hidden number field; empty is taken as 0
    QString surname, givenName, postalCode, address1, address2, memo;
    QString year, month, day;
    QString telephone;
    QString reading, jointName1, jointName2;
    int gender = 1; // 1 男性, 2 女性, 0 neither
    // False when the schema gate disabled the telephone field: its placeholder is no number.
    bool telephoneUsable = true;
};

// The decimal value of a whole text, ASCII digits with an optional sign; anything else
// (full-width digits, blanks, empty text) is refused with a message naming the field.
qint64 toInteger(const QString& text, const QString& fieldName);

// Writes of MST_KOKYAKU: registration of new and stored recipients, deletion. Each write is
// one transaction, committed by finishRegistration (or the delete's close); nothing is shown
// to the user before that commit.
class RecipientStore {
public:
    explicit RecipientStore(TDM& dm) : dm_(dm) {}

    // "Select max (KEY1) …": 0 for an empty table.
    qint64 largestKey();
    // A stored recipient's columns; empty when there is no such row.
    RecipientRow read(qint64 key, bool lock = false);
    // Inserts a new recipient; the trigger gives it its key (switched on first if another
    // program left it off), KEY2 is largestKey + 1.
    void insertNew(const RecipientFields& fields, qint64 largestKey);
    // Writes the new values over the stored recipient in place (its key stays), carrying KEY2
    // (the text "Label17" sends NULL). Refused, writing nothing, when the row is gone or no
    // longer holds what `opened` read.
    void replaceStored(qint64 key, const QString& key2Text, const RecipientFields& fields,
                       const RecipientRow& opened);
    // Commits and closes.
    void finishRegistration();
    void remove(qint64 key);

private:
    void setParameters(const RecipientFields& fields, const QString& storedTelephone);
    TDM& dm_;
};

// Switches TRG_ID on, committed, when an older build or another program left it off: with it
// off a new recipient would be stored under key 0, which no list shows.
void ensureKeyTriggerActive(TDM& dm);

} // namespace velta
