#pragma once

#include <functional>

class QWidget;

namespace velta {

// Runs `work` once, just after `window` is first painted: what start-up need not do before the
// window is on screen (opening the database, making the other windows).
void afterFirstPaint(QWidget& window, std::function<void()> work);

// For the start-up benchmark: with VELTA_END_AT_FIRST_PAINT set, the process ends as soon as
// `window` has been painted for the first time, so its whole run is its start-up. Without the
// variable nothing happens.
void endAtFirstPaintWhenAsked(QWidget& window);

} // namespace velta
