#include "meter/meterlink.h"

#include "meter/core/portguard.h"
#include "meter/core/protocol.h"
#include "platform/serialport.h"
#include "platform/waits.h"

namespace Meter {

bool WaitMeterReady(SerialPort& com)
{
    auto gone = [&com] { return Program::ending() || !com.portOpen(); };
    for (;;) {
        com.flush();
        do {
            if (gone()) return false;
            com.output(QByteArray(1, CmdHandshake));
            Rs232::WaitSeconds(0.2);
            if (gone()) return false;
        } while (com.inBufferCount() < FrameLength);
        if (EndsInHandshakeReply(com.input())) return true;
    }
}

void PressKey(SerialPort& com, int keyCode)
{
    const QByteArray command = RemoteKeyCommand(keyCode);
    if (command.isEmpty() || !com.portOpen()) return;
    PortExchange exchange;
    if (!exchange) return;
    if (WaitMeterReady(com)) com.output(command);
}

} // namespace Meter
