#pragma once

namespace velta {

class TDM;

struct GateResult {
    bool addressListEnabled = true;
    bool addressEntryEnabled = true;
};

// Opens the connection, reads the user-table list and the start-up version reading, closes.
// Without VERSION_TBL the address list needs a newer schema; below 1.1.2 the entry form too.
GateResult runSchemaGate(TDM& dm);

} // namespace velta
