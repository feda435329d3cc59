#pragma once

// MeterSim plays the sound level meter on a pseudo-terminal, for tests and
// for working without a real meter. Everything below that the meter's
// protocol does not pin down is this simulator's own choice.
//
// Line
//   A pseudo-terminal whose slave side is in raw mode at 38400 baud. The
//   simulator keeps one slave descriptor open itself, so the line never
//   hangs up when a program closes and opens it again; bytes it sends while
//   no program has the line open wait in the line (as far as it holds them).
//   Optionally the slave is linked as <folder>/COMn (n = 1..16); an existing
//   symbolic link of that name is replaced, any other file there is an error.
//   The link is removed on stop if it still points to this simulator.
//
// Live frames
//   02, range byte, mode byte, level high, level low, 03 every period
//   (default 100 ms), unasked. Range byte: range code, bit 7 when the level
//   lies above the range top. Mode byte: time weighting in bits 0-1, exactly
//   one of run (bit 2), pause (bit 3), stop (bit 4), frequency weighting in
//   bits 5-6, bit 7 when the level lies below the range bottom. Level word:
//   tenths of a dB; bit 15 is set while the meter is paused. The level walks
//   at random between 45.0 and 85.0 dB (a step of at most 0.5 dB per frame)
//   unless fixed with setLevel(); setRawRangeByte(), setRawModeByte() and
//   setRawLevelWord() replace the computed bytes as they stand. The level
//   sent is always the instantaneous one, whatever keys 3, 4 and 8 chose.
//   After every byte that belongs to a command, frames are held back for the
//   hold-off (default 500 ms). Frames are never queued in the middle of a
//   reply: replies and frames leave in the order they were made.
//
// Commands are told apart by their first byte and their length only:
//   A 1, K 4, G 1, D 1, E 1, F 1, J 1, C 3, I 1, B 7, N 1, O 3, H 1, P 3.
//   A byte that starts no command is dropped. A command may arrive in pieces;
//   a piece left waiting longer than the partial time-out (default 2000 ms,
//   0 = wait for ever) is dropped when the next byte arrives, so a program
//   that died half-way through a command does not eat the next one.
//
// What each command does
//   "A"   answers 02 FF FF FF FF 03, or the scripted reply (setHandshakeReply).
//   "K" x y code  presses key `code`; x and y are ignored; unknown codes do
//         nothing:
//          1 "A / C"           frequency weighting as "G"
//          2 "Fast/Slow/Imp"   time weighting as "D"
//          3 "Leq SEL SPL"     display Leq -> SEL -> SPL -> Leq (starts SPL)
//          4 "Max Min Inst"    hold Max -> Min -> Inst -> Max (starts Inst)
//          5 "Run Pause Stop"  run -> pause -> stop -> run
//          6 "Record Erase"    starts or ends logging into a new stored set
//          7 "Date Time"       nothing the line can see
//          8 "Integ Time"      integration time 1 s, 3 s, 10 s, 1 min, 5 min,
//                              10 min, 1 h, 8 h, 24 h, round again
//          9 "Up"              as "E"
//         10 "Down"            as "F"
//   "G"   frequency weighting A -> C -> Z -> AA -> A.
//   "D"   time weighting FAST -> SLOW -> IMP -> FAST.
//   "E"   range towards higher levels: code - 1, stops at code 0 (80-140).
//   "F"   range towards lower levels: code + 1, stops at code 5 (30-90).
//   "J"   answers the sampling time, 2 bytes big-endian.
//   "C" hi lo  sets the sampling time to hi * 256 + lo (any value, no reply).
//   "I"   answers the running clock as BCD ss mm hh DD MM YY.
//   "B" ss mm hh DD MM YY  sets the clock (BCD, year 20YY); bytes that are
//         no BCD or no valid date and time leave the clock as it was.
//   "N"   answers the logger directory (below).
//   "O" lo hi  answers the dump of the set starting at that address; for an
//         address that holds no set, the 359-byte dump of an empty set that
//         starts now with the meter's present settings.
//   "H"   erases every set (and ends logging); "P" lo hi erases the set with
//         that start address (nothing if there is none; ends logging if it
//         was the set being logged). Neither answers.
//
// Starting state
//   Range code 2 (60-120), "A", "FAST", running, display SPL, hold Inst,
//   integration time 1 s, sampling time 1 s, not logging, level 65.0 dB,
//   clock = the host's local time, the sets of defaultSets().
//
// Stored sets
//   The logger holds 65536 blocks of 1024 bytes; blocks 0-255 are the
//   meter's own, so sets start at address 0x0100. A set occupies
//   max(1, ceil(size / 1024)) blocks, size = 341 + 38 * records; a new set
//   (logging) starts after the end of the highest set, or at 0x0100 when the
//   logger is empty. At most 255 sets.
//   Directory ("N"): 10 * n + 12 bytes. Byte 1, byte 11 and the last byte
//   are 00. Bytes 2-5: memory size in kB (65536), bytes 6-9: kB left
//   (65536 - 256 - blocks in use, never below 0), both little-endian.
//   Byte 10 = n. Entries of 10 bytes from byte 12: address lo, hi; size
//   32-bit little-endian; packed date-time of the set's start (MS-DOS
//   layout), high half little-endian, then low half little-endian.
//   Dump ("O"): 359 + 38 * records bytes, blanks where nothing is said:
//     20 interval digit; 40 frequency weighting letter; 57-60 "FAST",
//     "SLOW" or "IMP "; 77-82 the range, left-aligned ("60-120", "30-90 ");
//     116-134 start "yyyy/MM/dd HH:mm:ss"; 145-150 maximum "%6.1f";
//     155-173 time of the maximum; 201-206 Leq; 217-222 SEL
//     (Leq + 10 lg(records * interval)); 233, 249, 265, 281, 297: L05, L10,
//     L50, L90, L95 (level exceeded in that share of the records), all six
//     characters "%6.1f". The statistics count only records whose level text
//     is a number; with none they read "   0.0" and the maximum's time is
//     the start. Then Set::headerPatches are written over the header.
//     Record k (38 bytes): 5-11 "[pause]" or blanks, 13-31 the time of the
//     record (start + (k - 1) * interval), 33-37 the level text; the rest
//     blanks.
//   Level texts: "%5.1f" (" 65.3"), "  -- " under range, "  OL " over range.
//   makeSet(): levels walk between 50.0 and 90.0 dB (seeded, so the same
//   every time), range "40-100", "A", "FAST"; records k = 0, 1, ... with
//   k % 10 in {3, 4} paused, k % 17 == 7 under range, else k % 23 == 11
//   over range.
//   defaultSets(): 12 records at 0x0100 from 2024/05/14 09:30:00, interval 1;
//   no records at 0x0101 from 2024/05/14 11:00:00, interval 5, "C", "SLOW",
//   "60-120"; 600 records at 0x0102 from 2024/05/15 08:15:00, interval 2,
//   "IMP ", "30-90 ".
//   Logging (key 6): a new set with the present weightings and range, the
//   clock as start, and interval = sampling time brought into 1..9; every
//   interval one record of the present level ("  -- " / "  OL " below or
//   above the range, "[pause]" while paused) is added, whatever the run state.
//
// Writing
//   Writes never block. Output waits in a queue; when the queue holds more
//   than the cap (default 4096 bytes), new live frames are dropped, and a
//   reply drops the frames still waiting in it. Replies, injected bytes and
//   frames already started are never dropped. With pacing on, bytes leave at
//   3840 bytes/s (38400 baud); without it, each reply goes in one write.
//
// Faults (setFault), each on or off:
//   Silence           nothing is written (no frames, no replies); what
//                     arrives is still logged and obeyed.
//   Noise             six random bytes in place of each frame; they never
//                     hold 03, so noise never looks like a frame.
//   SplitFrames       each frame in two writes (default 3 + 3 bytes) with
//                     a gap (default 30 ms); a reply cuts the gap short.
//   ShortReplies      a reply loses its last bytes (default 1: "J" answers
//                     1 byte).
//   TruncatedReplies  a reply stops after some bytes (default half of it);
//                     the rest never comes.
//   StalledReplies    part of a reply (default half), a pause (default
//                     1000 ms, no frames meanwhile), the rest.
//   ExtraBytes        bytes after a reply (default 55 AA).
//   FrameBeforeReply  a live frame (the present one) right before each
//                     reply, as if it had been on its way when the
//                     command came.
//   Trickle           each frame byte by byte, period / 6 ms apart (whole
//                     ms); with a period that is a multiple of 6 ms every
//                     silence is alike and the line's rhythm tells nothing
//                     of where frames start. A reply cuts the spacing short.
//   The reply faults apply to every reply, or only to the commands given to
//   setReplyFaultFilter(). inject() writes raw bytes whatever the faults.
//
// Log: every byte received, and every complete command with the time it was
// complete (std::chrono::steady_clock, milliseconds).
//
// Threads: the simulator runs in its own thread with its own event loop;
// every public function may be called from any thread.

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>

#include <memory>
#include <optional>

class MeterSim
{
public:
    enum class Fault {
        Silence,
        Noise,
        SplitFrames,
        ShortReplies,
        TruncatedReplies,
        StalledReplies,
        ExtraBytes,
        FrameBeforeReply,
        Trickle
    };
    enum class RunState { Run, Pause, Stop };

    struct Record
    {
        QByteArray level = " 65.0"; // five characters, listed unchanged
        bool paused = false;        // "[pause]" in the mark bytes
    };

    struct Set
    {
        quint16 address = 0x0100;
        QDateTime start;  // the first record's time
        int interval = 1; // seconds, one digit in the dump
        char frequencyWeighting = 'A';
        QByteArray timeWeighting = "FAST";
        QByteArray range = "60-120";
        QList<Record> records;
        QMap<int, QByteArray> headerPatches; // 1-based dump positions

        quint32 size() const { return 341 + 38 * quint32(records.size()); }
    };

    struct State
    {
        int rangeCode = 2;          // 0 = 80-140 ... 5 = 30-90
        int frequencyWeighting = 0; // 0 A, 1 C, 2 Z, 3 AA
        int timeWeighting = 0;      // 0 FAST, 1 SLOW, 2 IMP
        RunState runState = RunState::Run;
        int display = 2;          // 0 Leq, 1 SEL, 2 SPL
        int hold = 2;             // 0 Max, 1 Min, 2 Inst
        int integration = 0;      // index into 1 s, 3 s, 10 s, 1 min, ...
        quint16 samplingTime = 1; // seconds
        bool logging = false;
        int level = 650; // tenths of a dB, the present reading
    };

    struct Command
    {
        qint64 msecs = 0; // steady clock when the command was complete
        QByteArray bytes;
    };

    MeterSim();
    ~MeterSim();
    MeterSim(const MeterSim&) = delete;
    MeterSim& operator=(const MeterSim&) = delete;

    // Creates the line and starts the thread. With port 1..16 the line is
    // also linked as COMn in portsDir (created when missing).
    bool start(const QString& portsDir = {}, int port = 0, QString* error = nullptr);
    void stop();
    bool isRunning() const;
    QString devicePath() const;
    QString linkPath() const;

    // Timing.
    void setPeriod(int msecs);
    int period() const;
    void setHoldOff(int msecs);
    int holdOff() const;
    void setPacing(bool on);
    bool pacing() const;
    void setQueueCap(int bytes);
    void setPartialTimeout(int msecs);
    void setLiveFrames(bool on); // off: no frames at all, replies as usual
    bool liveFrames() const;

    // The live reading.
    void setLevel(std::optional<int> tenths); // nullopt: random walk
    void setRawRangeByte(std::optional<quint8> byte);
    void setRawModeByte(std::optional<quint8> byte);
    void setRawLevelWord(std::optional<quint16> word);
    QByteArray currentFrame() const;
    qint64 framesSent() const;
    qint64 bytesWritten() const;

    // Meter state.
    State state() const;
    void setRangeCode(int code);
    void setFrequencyWeighting(int code);
    void setTimeWeighting(int code);
    void setRunState(RunState run);
    void setSamplingTime(quint16 seconds);
    void setClock(const QDateTime& dateTime);
    QDateTime clock() const;
    void setSets(const QList<Set>& sets); // also ends logging
    QList<Set> sets() const;

    // Faults and scripted bytes.
    void setFault(Fault fault, bool on);
    bool fault(Fault fault) const;
    void clearFaults();
    void setShortBy(int bytes);
    void setTruncateAt(int bytes);        // 0: half the reply
    void setStall(int atByte, int msecs); // atByte 0: half the reply
    void setSplitGap(int msecs);
    void setSplitAt(int bytes); // bytes in the first write, 1..5
    void setExtraBytes(const QByteArray& bytes);
    void setReplyFaultFilter(const QByteArray& commands); // empty: all replies
    // Answers the next `times` "A" with `reply` (times < 0: until cleared).
    void setHandshakeReply(const QByteArray& reply, int times = -1);
    void clearHandshakeReply();
    void inject(const QByteArray& bytes);

    // What the program sent.
    QByteArray received() const;
    QList<Command> commands() const;
    void clearLog();
    bool waitForCommands(int count, int msecs) const;
    bool waitForReceived(qsizetype bytes, int msecs) const;

    // Pure helpers, also used by tests.
    static int commandLength(char first); // 0: no command
    static quint32 packDateTime(const QDateTime& dateTime);
    static QByteArray clockBytes(const QDateTime& dateTime);
    static QByteArray levelText(int tenths);
    static QByteArray directory(const QList<Set>& sets);
    static QByteArray dump(const Set& set);
    static Set makeSet(quint16 address, const QDateTime& start, int interval, int records,
                       quint32 seed = 1);
    static QList<Set> defaultSets();
    static std::optional<Fault> faultFromName(const QString& name);

private:
    class Private;
    std::unique_ptr<Private> d;
};
