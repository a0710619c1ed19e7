#include "schema_gate.h"

#include "dm.h"
#include "recipient_store.h"
#include "schema_version.h"

namespace velta {

GateResult runSchemaGate(TDM& dm) {
    GateResult result;
    UnitOfWork work(dm);
    ensureKeyTriggerActive(dm);
    if (!hasVersionTable(userTables(dm))) {
        result.addressListEnabled = false;
    } else if (startupVersionReading(dm) < 112) {
        result.addressListEnabled = false;
        result.addressEntryEnabled = false;
    }
    work.commit();
    return result;
}

} // namespace velta
