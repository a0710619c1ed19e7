#pragma once

#include <QString>

namespace velta {

class TDM;

// The one sender, row KEY1 = 1 of MST_SASIDASI, as the window's texts.
struct SenderFields {
    QString surname, givenName, postalCode, address1, address2, memo;
    QString year, month, day;
    QString telephone, key2, reading, jointName1, jointName2;
};

class SenderStore {
public:
    explicit SenderStore(TDM& dm) : dm_(dm) {}

    // Every field as text; all empty when there is no sender yet.
    SenderFields load();
    // Replaces row 1 (delete, then insert) and commits both together; a failure rolls back
    // both, so the stored sender stays.
    void save(const SenderFields& fields);
    void remove();

private:
    void deleteRow();
    TDM& dm_;
};

} // namespace velta
