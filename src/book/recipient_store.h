#pragma once

#include "recipient_record.h"

#include <QString>

#include <optional>

namespace velta {

class TDM;

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

// The entry window's texts as a record (numbers converted, refused with the field's name).
// A telephone the window could not offer keeps what `stored` holds.
RecipientRecord recipientFromFields(const RecipientFields& fields,
                                    const RecipientRecord& stored = {});

// MST_KOKYAKU, one recipient at a time. Writes happen in the caller's unit of work; nothing is
// committed here.
class RecipientStore {
public:
    explicit RecipientStore(TDM& dm) : dm_(dm) {}

    // "Select max (KEY1) …": 0 for an empty table.
    qint64 largestKey();
    // The stored recipient, read by the address list's statement; empty when there is no such
    // row. With lock, the row stays locked until the unit of work ends.
    std::optional<RecipientRecord> read(qint64 key, bool lock = false);
    // Inserts a new recipient and returns the key the trigger gave it (switched on first if
    // another program left it off); KEY2 is largestKey + 1, LTIME now.
    qint64 insertNew(const RecipientRecord& record, qint64 largestKey);
    // Writes the record over the stored recipient in place (its key stays), LTIME now. Refused,
    // writing nothing, when the row is gone or no longer holds what `opened` read.
    void replaceStored(const RecipientRecord& record, const RecipientRecord& opened);
    // Deletes the recipient and its details together.
    void remove(qint64 key);

private:
    TDM& dm_;
};

// Switches TRG_ID on, committed, when an older build or another program left it off: with it
// off a new recipient would be stored under key 0, which no list shows.
void ensureKeyTriggerActive(TDM& dm);

} // namespace velta
