#pragma once
// The handshake and the meter keys, spoken over Panel's serial port.

class SerialPort;

namespace Meter {

// Sends "A" every 0.2 s until the last six bytes received are the handshake
// reply. False when the port closed or the program is ending meanwhile.
bool WaitMeterReady(SerialPort& com);

// One of the ten meter keys (code 1..10): the handshake, then "K", 0, 0, code.
// Does nothing while the port is closed or another exchange holds it.
void PressKey(SerialPort& com, int keyCode);

} // namespace Meter
