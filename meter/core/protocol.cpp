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

bool IsHandshakeReply(QByteArrayView six)
{
    return six == QByteArrayView(HandshakeReply, FrameLength);
}

Handshake JudgeHandshake(QByteArrayView heard)
{
    if (heard.size() < FrameLength) return Handshake::TooFew;
    const QByteArrayView reply(HandshakeReply, FrameLength);
    for (qsizetype at = heard.lastIndexOf(reply); at >= 0;
         at = at > 0 ? heard.lastIndexOf(reply, at - 1) : -1) {
        // Frames the meter sent after its reply follow it whole.
        qsizetype after = at + FrameLength;
        while (heard.size() - after >= FrameLength && IsLiveFrame(heard.sliced(after, FrameLength)))
            after += FrameLength;
        if (after == heard.size() || (heard[after] == '\x02' && heard.size() - after < FrameLength))
            return Handshake::Answered;
    }
    return Handshake::NotAnswered;
}

} // namespace Meter
