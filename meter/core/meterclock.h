#pragma once
// The meter's clock: "I" asks for it, "B" and six bytes set it. Each clock
// byte holds two decimal digits (BCD): seconds, minutes, hours, day, month,
// year within the century 20.

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

// The clock in one attempt's reply: its first six bytes, a live frame in
// front of them left out. Nothing when the reply is short, is a frame, or
// holds no valid date and time.
std::optional<ClockBytes> ClockReply(QByteArrayView reply);

// "20YY/MM/DD hh:mm:ss" from the bytes' hexadecimal digits.
QString ClockCaption(const ClockBytes& clock);

// "B" and the six bytes of the given time.
QByteArray SetClockCommand(const QDateTime& now);

} // namespace Meter
