#pragma once
// The meter's clock: "I" asks for it, "B" and six bytes set it. Each clock
// byte holds two decimal digits (BCD): seconds, minutes, hours, day, month,
// year within the century 20.

#include "meter/core/replyreader.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <array>
#include <optional>

namespace Meter {

using ClockBytes = std::array<quint8, 6>;

// Tries of one tick of the clock window before it says the meter does not answer.
inline constexpr int ClockTries = 25;

// The clock in one attempt's reply, whatever its six bytes hold: a live
// frame in front of them left out where the reply's size says it came
// before the clock. Nothing when fewer than six bytes came.
std::optional<ClockBytes> ClockReply(QByteArrayView reply);
// The same from the bytes a reader gathered, deciding on them as they are.
std::optional<ClockBytes> ClockReply(ReplyReader& reader);

// "20YY/MM/DD hh:mm:ss" from the bytes' hexadecimal digits.
QString ClockCaption(const ClockBytes& clock);

// "B" and the six bytes of the given time.
QByteArray SetClockCommand(const QDateTime& now);

} // namespace Meter
