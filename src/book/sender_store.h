#pragma once

#include <QString>

namespace velta {

class TDM;

// The one sender, row KEY1 = 1 of MST_SASIDASI. Its columns are text (the date included), as
// the table has them; KEY2 is the window's text, sent for the engine to convert.
struct SenderRecord {
    QString surname, givenName, postalCode, address1, address2, memo;
    QString year, month, day;
    QString telephone, key2, reading, jointName1, jointName2;
};

class SenderStore {
public:
    explicit SenderStore(TDM& dm) : dm_(dm) {}

    // Every column; all empty when there is no sender yet. Read in the caller's connection.
    SenderRecord read();
    // Opens, reads and closes.
    SenderRecord load();
    // Replaces row 1 (delete, then insert) and commits both together; a failure rolls back
    // both, so the stored sender stays.
    void save(const SenderRecord& sender);
    void remove();

private:
    void deleteRow();
    TDM& dm_;
};

} // namespace velta
