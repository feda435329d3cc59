#include "meter/core/livestats.h"

#include "records/core/levelnumber.h"

#include <QDateTime>
#include <algorithm>
#include <cmath>

namespace {

struct LeqSel
{
    double leq;
    double sel;
};

// Counts one more second of L dB into count and the energy sum, and gives
// the energy mean of all seconds counted in dB (the Leq) and the SEL: the Leq
// plus ten times the logarithm of the seconds.
LeqSel addSecond(long long& count, double& energy, double L)
{
    count += 1;
    energy += std::pow(10.0, L / 10.0);
    const double leq = 10 * FileTransfer::Log10(energy / double(count));
    return {leq, leq + 10 * FileTransfer::Log10(double(count))};
}

// The groups of statistics a reset puts back.
enum ResetPart : unsigned {
    Running = 1,          // MaxLevel, LeqEnergy, LeqCount, LiveCount, DumpedRecords
    Recording = 2,        // RecMaxText, RecLeqEnergy, RecLeqCount
    LeqSelExtremes = 4,   // LeqMin, LeqMax, SelMin, SelMax to their start
    LevelExtremes = 8,    // LevelMin/Max at 1 dB and 0.1 dB to their start
    RefreshExtremes = 16, // the same, the minima from 150 dB
    Samples = 32,         // both histograms and the histories' next slot
};

void reset(LiveState& s, unsigned parts)
{
    if (parts & Running) {
        s.MaxLevel = 0;
        s.LeqEnergy = 0;
        s.LeqCount = 0;
        s.LiveCount = 0;
        s.DumpedRecords = 0;
    }
    if (parts & Recording) {
        s.RecMaxText.clear();
        s.RecLeqEnergy = 0;
        s.RecLeqCount = 0;
    }
    if (parts & LeqSelExtremes) {
        s.LeqMax = 0;
        s.LeqMin = 145;
        s.SelMax = 0;
        s.SelMin = 145;
    }
    if (parts & (LevelExtremes | RefreshExtremes)) {
        const double min1dB = parts & RefreshExtremes ? 150 : 145;
        s.LevelMin1dB = min1dB;
        s.LevelMax1dB = 0;
        s.LevelMin01dB = 10 * min1dB;
        s.LevelMax01dB = 0;
    }
    if (parts & Samples) {
        s.clearHistograms();
        s.SampleCount = 0;
        s.HistoryWrapped = false;
    }
}

} // namespace

QString FormatTenths(double x)
{
    if (!std::isfinite(x)) return {};
    const double scaled = 10.0 * x;
    const double t = scaled >= 0 ? std::floor(scaled + 1e-9) : std::ceil(scaled - 1e-9);
    if (std::fabs(t) > 9e15) return {};
    const long long n = static_cast<long long>(t);
    const QString d = QString::number(n < 0 ? -n : n);
    return (n < 0 ? QStringLiteral("-") : QString()) + d.left(d.size() - 1) + QLatin1Char('.') +
           d.right(1);
}

double ValueOfText(const QString& text)
{
    QString num;
    bool digits = false, point = false, exponent = false;
    for (const QChar c : text) {
        if (c == QLatin1Char(' ') || c == QLatin1Char('\t')) continue;
        if (c.isDigit() && c.unicode() < 128) {
            num += c;
            digits = true;
        } else if ((c == QLatin1Char('+') || c == QLatin1Char('-')) &&
                   (num.isEmpty() || num.endsWith(QLatin1Char('e')))) {
            num += c;
        } else if (c == QLatin1Char('.') && !point && !exponent) {
            num += c;
            point = true;
        } else if ((c == QLatin1Char('e') || c == QLatin1Char('E')) && digits && !exponent) {
            num += QLatin1Char('e');
            exponent = true;
        } else {
            break;
        }
    }
    while (!num.isEmpty() && !num.back().isDigit())
        num.chop(1);
    bool ok = false;
    const double v = num.toDouble(&ok);
    return ok && std::isfinite(v) ? v : 0.0;
}

bool ReadingCurrent(std::optional<qint64> decodedNs, std::optional<qint64> pollingNs, qint64 nowNs)
{
    if (!decodedNs) return false;
    return nowNs - std::max(*decodedNs, pollingNs.value_or(*decodedNs)) <= ReadingMaxAgeNs;
}

QString TimeText(const QDateTime& t)
{
    return t.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
}

bool LiveState::addRunning(double L, const QString& now)
{
    const LeqSel m = addSecond(LeqCount, LeqEnergy, L);
    LeqValue = m.leq;
    LeqText = FormatTenths(LeqValue);
    SelValue = m.sel;
    SelText = FormatTenths(SelValue);
    if (L > MaxLevel) {
        MaxLevel = L;
        MaxTime = now;
        return true;
    }
    return false;
}

void LiveState::addRecording(double L, const QString& levelText, const QString& now)
{
    const LeqSel m = addSecond(RecLeqCount, RecLeqEnergy, L);
    RecLeqText = FormatTenths(m.leq);
    RecSelText = FormatTenths(m.sel);
    if (L > ValueOfText(RecMaxText)) {
        RecMaxText = levelText;
        RecMaxTime = now;
    }
}

bool LiveState::sampleDue(int pcSamplingTime)
{
    if (SampleTick >= pcSamplingTime) {
        SampleTick = 1;
        return true;
    }
    SampleTick += 1;
    return false;
}

void LiveState::countLevel(double L)
{
    // Levels are whole tenths; anything above the tables' top (140.0 dB)
    // counts in the top bin, and nothing non-finite becomes an index.
    const double v = 10.0 * L;
    const double top01 = Bins01dB - 1;
    const double k = std::isfinite(v) ? std::clamp(std::round(v), 0.0, top01) : top01;
    LiveCounts01dB[size_t(k)] += 1;
    double b = (long long)(k) % 10 != 0 ? std::floor(k / 10.0) + 1 : k / 10.0;
    b = std::clamp(b, 0.0, double(Bins1dB - 1));
    LiveCounts1dB[size_t(b)] += 1;

    if (v > LevelMax01dB) LevelMax01dB = v;
    if (v < LevelMin01dB) LevelMin01dB = v;
    if (L > LevelMax1dB) LevelMax1dB = std::trunc(L) + 1;
    if (L < LevelMin1dB) LevelMin1dB = std::trunc(L) - 1;
}

void LiveState::trackLeqSelExtremes()
{
    const double leq = ValueOfText(LeqText);
    const double sel = ValueOfText(SelText);
    LeqMax = std::max(LeqMax, leq);
    LeqMin = std::min(LeqMin, leq);
    SelMax = std::max(SelMax, sel);
    SelMin = std::min(SelMin, sel);
}

void LiveState::storeHistory(double L)
{
    LevelSeries[size_t(SampleCount)] = L;
    LeqSeries[size_t(SampleCount)] = ValueOfText(LeqText);
    SelSeries[size_t(SampleCount)] = ValueOfText(SelText);
    SampleCount += 1;
    if (SampleCount >= HistorySlots) {
        SampleCount = 0;
        HistoryWrapped = true;
    }
}

QVector<double> LiveState::historyCopy(const std::vector<double>& series) const
{
    Q_ASSERT(series.size() == size_t(HistorySlots));
    QVector<double> copy(historyLength());
    const auto next = series.begin() + SampleCount;
    auto out = copy.begin();
    if (HistoryWrapped) out = std::copy(next, series.end(), out);
    std::copy(series.begin(), next, out);
    return copy;
}

void LiveState::clearHistograms()
{
    LiveCounts1dB.fill(0);
    LiveCounts01dB.fill(0);
}

void LiveState::resetRunning()
{
    reset(*this, Running | Recording);
}

void LiveState::resetForLoad()
{
    reset(*this, Running | Recording | LeqSelExtremes | LevelExtremes);
}

void LiveState::resetForResync()
{
    reset(*this, Running | Recording | Samples);
}

void LiveState::resetForRefresh()
{
    reset(*this, Running | RefreshExtremes | Samples);
}

LiveState& liveState()
{
    static LiveState s;
    return s;
}

SamplingState& samplingState()
{
    static SamplingState s;
    return s;
}
