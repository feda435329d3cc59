#pragma once
// The data files: "Real Time" files of a recording or the live list,
// "Data Logger 2" files of a saved logger set, the older "Data Logger"
// files (read only) and the automatic dump of the live list.
//
// Bytes are Latin-1 both ways, every line ends with CR LF and numbers use "."
// whatever the locale. The writers give whole lines, line end included, so a
// caller writes each with one call.

#include "common/recordlist.h"

#include <QAnyStringView>
#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringView>
#include <array>
#include <functional>
#include <variant>

namespace DataFile {

inline constexpr QByteArrayView LineEnd = "\r\n";

// The most records a recording or the live list holds before it stops or is dumped.
inline constexpr int MaxRecords = 348000;

enum class Separator : char { Tab = '\t', Comma = ',' };

// The save dialog's filter choice: 2 ("Data Files (*.csv)") gives the comma
// form, 1, 3 and any other value the TAB form.
Separator separatorForFilter(int FilterIndex);

// List form: every cell followed by the separator (live list, logger set, dump).
// Recording form: as the list form with TAB; with comma the fields are only
// joined, nothing follows the last one.
enum class LineForm { List, Recording };

// Plain decimal with a blank in the place of the sign: 93.5 -> " 93.5",
// 94 -> " 94", 0 -> " 0", -2.5 -> "-2.5". No line end.
QByteArray headerNumber(double value);

// Line 6 of a "Real Time" header: a number (MaxLevel, or a recording's
// RecMaxText while it is still 0) is written as a header number, a level text
// ("65.3*") as it stands.
using NumberOrText = std::variant<double, QString>;

struct RealTimeHeader
{
    double samplingTime = 1; // PcSamplingTime
    QString boardCa;         // captions of Panel's boards BoardCA, BoardSFI, BoardLevel
    QString boardSfi;
    QString boardLevel;
    NumberOrText maxLevel = 0.0; // RecMaxText or MaxLevel
    QString maxTime;             // RecMaxTime or MaxTime; may be empty
    QString selText;             // RecSelText or SelText
    QString leqText;             // RecLeqText or LeqText
};

// The nine header lines of a RealTimeFile.
QByteArray realTimeFileHeader(const RealTimeHeader& header);

// Captions of DataList's boards and the set's interval character.
struct LoggerHeader
{
    QString LoggerInterval;
    QString BoardCA;
    QString BoardSFI;
    QString BoardLevel;
    QString Board05;
    QString Board10;
    QString Board50;
    QString Board90;
    QString Board95;
    QString BoardMaxdB;
    QString BoardMaxTime;
    QString BoardSEL;
    QString BoardLeq;
};

// The fourteen header lines of a LoggerFile2.
QByteArray loggerFile2Header(const LoggerHeader& header);

// "No.s", "Date Time", "dB" in the given form.
QByteArray titleLine(Separator separator, LineForm form);

// One record line: number, time text, level text.
QByteArray recordLine(Separator separator, LineForm form, QStringView number, QStringView time,
                      QStringView level);

// Appends one list-form line of three cells to buffer. Grows the buffer
// geometrically and makes no temporaries, for lists of hundreds of thousands
// of rows. In cells of UTF-16 text characters outside Latin-1 become "?";
// 8-bit cells are taken as Latin-1, as a record list keeps them, and copied
// as they are.
void appendListLine(QByteArray& buffer, Separator separator, QAnyStringView cell0,
                    QAnyStringView cell1, QAnyStringView cell2);

// Name of the automatic dump: "mmddhhnnss" of when + ".dvrk" ("0323101530.dvrk").
QString liveGridDumpName(const QDateTime& when);

// Writes bytes to path whole or not at all (SafeFile): the old file is
// replaced only when the new one is complete. On failure returns false and,
// when given, sets errorMessage to the file and the system's reason.
bool saveFile(const QString& path, QByteArrayView bytes, QString* errorMessage = nullptr);

// ---- Reading ----

enum class Kind {
    Empty,      // no item at all: nothing to show
    RealTime,   // "Real Time", header length 9
    Logger2,    // "Data Logger 2", header length 14, labelled values
    Logger,     // "Data Logger", header length 14, whole-line values
    Headerless, // any other first item (a LiveGridDump or any text)
};

// An item longer than this is a bad line.
inline constexpr qsizetype MaxItemLength = 1024 * 1024;

// No data file is larger: a full logger's set as a list file is about 60 MB.
inline constexpr qint64 MaxFileSize = 256 * 1024 * 1024;

struct ReadResult
{
    Kind kind = Kind::Empty;
    QString window;       // "FileListReal" or "FileList"; empty for Kind::Empty
    int headerLength = 0; // 9, 14 or 0
    QString intervalText; // item 1, not shown: sampling time (as a number) or logger interval
    // Panel captions by name: "BoardCA", "BoardSFI", "BoardLevel",
    // "Board05" ... "Board95" (logger kinds), "BoardMaxdB", "BoardMaxTime",
    // "BoardSEL", "BoardLeq". Only those the file reached are present. Each
    // as written, blanks included; a number (line 6 of "Real Time") without
    // the blanks around it.
    QMap<QString, QString> captions;
    RecordRows rows; // records, title line left out

    qsizetype badLine = 0;  // 1-based file line that stopped the reading; 0 if none
    bool commaForm = false; // the bad line is the first line of rows in the comma form
    bool fileError = false; // not opened, not read, or too large: nothing was read
    QString message;        // why the reading stopped early; empty when it read to the end

    bool complete() const { return badLine == 0 && !fileError; }
};

// Told of the rows as they are read: the row's item index less one, which
// the progress caption shows ("9 Records Completed" for the first record of
// a "Real Time" file). Called for the first row, then at most every 100 ms,
// and for the last row.
using Progress = std::function<void(qsizetype)>;

// Reads a whole data file. A bad line stops the reading; the captions and
// rows read before it are kept.
ReadResult read(QByteArrayView bytes, const Progress& progress = {});

// As read(), from a file, taken in pieces: a bad line ends the reading
// without the rest of the file being loaded. A file that cannot be opened
// or read, or is larger than MaxFileSize, gives fileError and a message.
ReadResult readFile(const QString& path, const Progress& progress = {});

} // namespace DataFile
