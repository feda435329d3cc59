#pragma once
// Waits that keep the windows responsive: pending events run while the
// program sleeps in a nested event loop, on the program's one clock.

#include "common/clock.h"

#include <QEventLoop>

namespace Rs232 {

// Waits s seconds, running pending events at least once; flags choose
// which (QEventLoop::ExcludeUserInputEvents keeps clicks and keys waiting
// until the wait's caller is done). A wait whose end would fall at or after
// midnight returns after one round of events.
void WaitSeconds(double s, QEventLoop::ProcessEventsFlags flags = QEventLoop::AllEvents);

} // namespace Rs232
