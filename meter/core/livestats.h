#pragma once
// Running Leq, SEL and maximum, the live histograms, the level extremes and
// the histories that every second of Panel.Timer2 feeds.

#include "common/clock.h"

#include <QString>
#include <QVector>
#include <array>
#include <optional>
#include <vector>

// Tenths text of x: 10 x truncated toward zero, the last digit after a point
// (65.37 gives "65.3", 0.5 gives ".5"). A level exact in tenths reads back as
// itself although ln x / ln 10 comes out a hair low.
QString FormatTenths(double x);

// The number at the start of a text: blanks skipped, a trailing "*" or any
// other text ignored, ".5" is 0.5, no number gives 0.
double ValueOfText(const QString& text);

// Time text of the statistics and samples, "yyyy/mm/dd hh:nn:ss".
QString TimeText(const QDateTime& t);

// A statistics tick uses the reading only while it is current: a frame of
// this connection decoded within the last second, or, once one has been, a
// live attempt still polling within its budget (which ends in the
// resynchronisation, which stops the statistics, when no frame comes). With
// no level decoded since the connection began, or one left standing longer
// by skipped live ticks, the tick counts nothing, like a tick lost while the
// timers are off.
inline constexpr qint64 ReadingMaxAgeNs = 1'000'000'000;
bool ReadingCurrent(std::optional<qint64> decodedNs, std::optional<qint64> pollingNs, qint64 nowNs);

inline constexpr int HistorySlots = 864001;
inline constexpr int Bins1dB = 141;
inline constexpr int Bins01dB = 1401;

struct LiveState
{
    // Since start or Refresh.
    long long LeqCount = 0;
    double LeqEnergy = 0;
    double LeqValue = 0;
    double SelValue = 0;
    QString LeqText;
    QString SelText;
    double MaxLevel = 0;
    QString MaxTime;

    // Of the running recording. RecMaxText empty stands for the number 0.
    long long RecLeqCount = 0;
    double RecLeqEnergy = 0;
    QString RecLeqText;
    QString RecSelText;
    QString RecMaxText;
    QString RecMaxTime;

    // Sampling and the live list.
    int SampleTick = 0;
    QString SampleTime;
    long long LiveCount = 0;
    // Records moved out of the live list by its automatic dumps; the list
    // holds LiveCount - DumpedRecords records, numbered on from the last dump.
    long long DumpedRecords = 0;

    // Histograms and extremes (levels in dB, the 0.1 dB bounds in tenths).
    std::array<long long, Bins1dB> LiveCounts1dB{};
    std::array<long long, Bins01dB> LiveCounts01dB{};
    double LevelMin1dB = 145;
    double LevelMax1dB = 0;
    double LevelMin01dB = 1450;
    double LevelMax01dB = 0;
    double LeqMin = 145;
    double LeqMax = 0;
    double SelMin = 145;
    double SelMax = 0;

    // Histories: allocated once, slot SampleCount is the next to fill.
    std::vector<double> LevelSeries = std::vector<double>(HistorySlots);
    std::vector<double> LeqSeries = std::vector<double>(HistorySlots);
    std::vector<double> SelSeries = std::vector<double>(HistorySlots);
    int SampleCount = 0;
    // Every slot holds a sample: SampleCount has wrapped to 0 since Refresh
    // or the resynchronisation last set it to 0.
    bool HistoryWrapped = false;

    // Counts one more second of L into the running Leq and SEL and their
    // texts; true when L is a new maximum (MaxTime set to now).
    bool addRunning(double L, const QString& now);
    // The same for the running recording, and its maximum.
    void addRecording(double L, const QString& levelText, const QString& now);
    // True when a sample is due now (SampleTick restarts at 1); otherwise
    // counts the tick towards the next one.
    bool sampleDue(int pcSamplingTime);
    // Counts L in both histograms and widens the level extremes to it.
    void countLevel(double L);
    // The 0.1 dB histogram is the one shown: the sampled levels spread over
    // 30.0 dB at most.
    bool showTenths() const { return LevelMax01dB - LevelMin01dB <= 300; }
    // Widens the Leq and SEL extremes to the present texts.
    void trackLeqSelExtremes();
    // Puts L and the present Leq and SEL into the histories' next slot.
    void storeHistory(double L);
    // Samples the histories hold.
    int historyLength() const { return HistoryWrapped ? HistorySlots : SampleCount; }
    // A copy of one history's samples, oldest first: after a wrap from slot
    // SampleCount round to the slot before it.
    QVector<double> historyCopy(const std::vector<double>& series) const;

    // The running and recording statistics and the live list's count.
    void resetRunning();
    // Start-up values (of the statistics; the histories keep their slots).
    void resetForLoad();
    // What the resynchronisation clears.
    void resetForResync();
    // What Refresh clears.
    void resetForRefresh();
    void clearHistograms();
};

LiveState& liveState();

struct SamplingState
{
    int PcSamplingTime = 1;               // 1..86400 ticks between samples
    int DisplayStep = 1;                  // 1..255, row step of a logger download
    std::optional<int> MeterSamplingTime; // none until first read or set
    bool SamplingByPc = false;
    bool SamplingByLoggerInterval = false;
};

SamplingState& samplingState();
