#include "meter/core/livestats.h"

#include <QDateTime>
#include <algorithm>
#include <cmath>

namespace FileTransfer {
double Log10(double x)
{
    return std::log(x) / std::log(10.0);
}
} // namespace FileTransfer

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
    const std::optional<qint64> latest = std::max(decodedNs, pollingNs);
    return latest && nowNs - *latest <= ReadingMaxAgeNs;
}

QString TimeText(const QDateTime& t)
{
    return t.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
}

bool LiveState::addRunning(double L, const QString& now)
{
    LeqCount += 1;
    LeqEnergy += std::pow(10.0, L / 10.0);
    LeqValue = 10 * FileTransfer::Log10(LeqEnergy / double(LeqCount));
    LeqText = FormatTenths(LeqValue);
    SelValue = LeqValue + 10 * FileTransfer::Log10(double(LeqCount));
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
    RecLeqCount += 1;
    RecLeqEnergy += std::pow(10.0, L / 10.0);
    const double x = 10 * FileTransfer::Log10(RecLeqEnergy / double(RecLeqCount));
    RecLeqText = FormatTenths(x);
    RecSelText = FormatTenths(x + 10 * FileTransfer::Log10(double(RecLeqCount)));
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
    MaxLevel = 0;
    RecMaxText.clear();
    LeqEnergy = 0;
    LeqCount = 0;
    RecLeqEnergy = 0;
    RecLeqCount = 0;
    LiveCount = 0;
    DumpedRecords = 0;
}

void LiveState::resetForLoad()
{
    resetRunning();
    LeqMax = 0;
    LeqMin = 145;
    SelMax = 0;
    SelMin = 145;
    LevelMin01dB = 1450;
    LevelMax01dB = 0;
    LevelMin1dB = 145;
    LevelMax1dB = 0;
}

void LiveState::resetForResync()
{
    resetRunning();
    clearHistograms();
    SampleCount = 0;
    HistoryWrapped = false;
}

void LiveState::resetForRefresh()
{
    MaxLevel = 0;
    LeqEnergy = 0;
    LeqCount = 0;
    LiveCount = 0;
    DumpedRecords = 0;
    LevelMax1dB = 0;
    LevelMin1dB = 150;
    LevelMax01dB = 0;
    LevelMin01dB = 1500;
    clearHistograms();
    SampleCount = 0;
    HistoryWrapped = false;
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
