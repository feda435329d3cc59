#pragma once
// Bytes of the meter's commands and the tests on what it sends back.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace Meter {

inline constexpr char CmdHandshake = 'A';
inline constexpr char CmdKey = 'K';
inline constexpr char CmdFreqWeighting = 'G';
inline constexpr char CmdTimeWeighting = 'D';
inline constexpr char CmdRangeUp = 'E';
inline constexpr char CmdRangeDown = 'F';
inline constexpr char CmdReadSampling = 'J';
inline constexpr char CmdSetSampling = 'C';
inline constexpr char CmdReadClock = 'I';
inline constexpr char CmdSetClock = 'B';
inline constexpr char CmdDirectory = 'N';
inline constexpr char CmdDump = 'O';
inline constexpr char CmdEraseAll = 'H';
inline constexpr char CmdEraseSet = 'P';

inline constexpr int FrameLength = 6;

// The ten meter keys, in the order of their codes 1..10.
struct KeyInfo
{
    const char* name;    // control name on Panel
    const char* caption; // text on the button
};
inline constexpr KeyInfo Keys[10] = {
    {"BtnCA", "A / C"},         {"BtnFastSlow", "Fast/Slow/Imp"},   {"BtnLeq", "Leq SEL SPL"},
    {"BtnMax", "Max Min Inst"}, {"BtnPlayPause", "Run Pause Stop"}, {"BtnRecord", "Record Erase"},
    {"BtnDate", "Date Time"},   {"BtnInteg", "Integ Time"},         {"BtnUp", "Up"},
    {"BtnDown", "Down"},
};

// "K", 0, 0, code; empty for a code outside 1..10.
QByteArray RemoteKeyCommand(int keyCode);

// Six bytes 02 x x x x 03.
bool IsLiveFrame(QByteArrayView six);

// The meter's answer to "A".
inline constexpr char HandshakeReply[] = "\x02\xFF\xFF\xFF\xFF\x03";
bool IsHandshakeReply(QByteArrayView six);

// What the bytes since the last "A" tell: the meter answered (its reply,
// whatever came before it, and after it nothing but live frames, the last
// one perhaps still coming); too few bytes came to tell yet; or none of
// them answers it.
enum class Handshake { Answered, TooFew, NotAnswered };
Handshake JudgeHandshake(QByteArrayView heard);

} // namespace Meter
