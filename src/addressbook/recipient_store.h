#pragma once

#include <QString>

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

// Writes of MST_KOKYAKU: registration of new and stored recipients, deletion.
class RecipientStore {
public:
    explicit RecipientStore(TDM& dm) : dm_(dm) {}

    // "Select max (KEY1) …": 0 for an empty table.
    qint64 largestKey();
    // Inserts a new recipient; the trigger gives it its key, KEY2 is largestKey + 1.
    void insertNew(const RecipientFields& fields, qint64 largestKey);
    // Replaces the stored recipient under the same key, carrying KEY2 (the text "Label17"
    // sends NULL). Every value is checked before the old row is deleted; if the insert still
    // fails, the old row is put back and the trigger switched on again before the error goes on.
    void replaceStored(qint64 key, const QString& key2Text, const RecipientFields& fields);
    // Commits, switches the trigger on, and closes.
    void finishRegistration();
    void remove(qint64 key);

private:
    void prepareInsert(const RecipientFields& fields, qint64 key, const QString& storedTelephone);
    void deleteRow(qint64 key);
    void switchTrigger(bool active);
    TDM& dm_;
};

} // namespace velta
