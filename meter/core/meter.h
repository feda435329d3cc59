#pragma once
// The meter's binary forms: live frame fields and the packed date-time.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

namespace Meter {

// Module-level meter state, written by the decoders and read by the display,
// the statistics and the toolbar.
struct State
{
    int RangeHigh = 0; // 0: no range known yet (before the first frame with code 0..5)
    int RangeLow = 0;
    bool OverFlag = false;
    QString TimeWeighting;
    QString FreqWeighting;
    bool RunFlag = false;
    bool PauseFlag = false;
    bool StopFlag = false;
    bool UnderFlag = false;
    double RecordLevel = 0.0;
    QString LevelText;
    // When the last level was decoded, on the program's monotonic clock,
    // and the live frame it came in (empty before the first).
    std::optional<qint64> DecodedNs;
    QByteArray Frame;

    bool rangeKnown() const { return RangeHigh != 0; }
};

State& state();

void DecodeRange(uint8_t rangeByte);
void DecodeMode(uint8_t modeByte);
void DecodeLevel(uint8_t high, uint8_t low);
QString DecodeDateTime(uint32_t packed);

// Shifts v by count + 1 places; the result replaces v and is returned.
uint32_t ShiftBits(uint32_t& v, bool left, int count);

// Bytes start .. start + count - 1 (1-based) as Latin-1 text; positions past
// the end of the reply give nothing.
QString CutField(const QByteArray& reply, int start, int count);

// Tenths of a dB as the meter's text: 653 -> "65.3", 5 -> ".5".
QString TenthsText(uint32_t tenths);

} // namespace Meter
