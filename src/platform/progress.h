#pragma once

#include <QtGlobal>

#include <functional>

namespace velta {

// How far a long run has got (total < 0: not known yet); returning false asks it to stop.
using Progress = std::function<bool(qint64 done, qint64 total)>;

} // namespace velta
