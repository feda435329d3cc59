#include "meter/core/protocol.h"

namespace Meter {

QByteArray RemoteKeyCommand(int keyCode)
{
    if (keyCode < 1 || keyCode > 10) return {};
    QByteArray b(4, '\0');
    b[0] = CmdKey;
    b[3] = char(keyCode);
    return b;
}

bool IsLiveFrame(QByteArrayView six)
{
    return six.size() == FrameLength && six[0] == '\x02' && six[FrameLength - 1] == '\x03';
}

bool EndsInHandshakeReply(const QByteArray& input)
{
    return input.endsWith(QByteArray("\x02\xFF\xFF\xFF\xFF\x03", 6));
}

} // namespace Meter
