#pragma once

#include <functional>

namespace velta {

// SIGTERM, SIGINT and SIGHUP end the program within two seconds, exit status 0. The signals
// are blocked in every thread (call this first in main, before any thread starts) and taken by
// a thread of our own, so the database engine's own handlers never swallow them. `cleanUp`
// runs on the event loop (roll back, detach); if the loop is busy, the process ends anyway
// and the engine rolls the unfinished transaction back when the database is next opened.
void endOnTerminationSignals(std::function<void()> cleanUp);

} // namespace velta
