#pragma once
// The printed listing of a record list: its lines as text, for a printer in
// a fixed-pitch face. Columns are right-aligned; a cell longer than its
// column stands whole and pushes the rest of its line to the right.

#include "common/recordlist.h"

#include <QString>
#include <QStringList>
#include <array>

namespace Listing {

inline constexpr int NumberWidth = 14;
inline constexpr int TimeWidth = 21;
inline constexpr int LevelWidth = 9;
inline constexpr int MostPerLine = 5;

// The window's caption and value panels, and its column titles.
struct Header
{
    QString SSFreq, BoardCA;
    QString SSTW, BoardSFI;
    QString SSSR, BoardLevel;
    QString SSMax, BoardMaxdB, BoardMaxTime;
    QString SSSEL, BoardSEL;
    QString SSLeq, BoardLeq;
    std::array<QString, 3> titles{QStringLiteral("No.s"), QStringLiteral("Date Time"),
                                  QStringLiteral("dB")};
};

// text preceded by width minus its length blanks.
QString rightAligned(QStringView text, int width);

// "-", 9 blanks, caption, " : ", value.
QString headerLine(const QString& caption, const QString& value);
// The titles of the number and time columns right-aligned, then "     (dB)".
QString titleLine(const std::array<QString, 3>& titles);
// 9 blanks and 71 "-": as wide as a line of five records.
QString ruleLine();

// Every line before the records: four blank ones, the six header lines,
// "-", the titles and the rule.
QStringList headLines(const Header& header);

// The line of the group of perLine records that starts at record r (from
// 1): number and time of record r, then the levels of r up to the last of
// the group or of the list.
QString recordLine(const RecordRows& rows, qsizetype r, int perLine);

// The answer to "Input record(s) to print in one row (1-5)".
struct PerLine
{
    enum Outcome {
        End,      // empty or cancelled: nothing is printed
        AskAgain, // its leading number is not within 1 to 5
        Fail,     // a number leads it but it is no number as a whole ("3abc")
        Take,     // records per line in perLine
    };
    Outcome outcome = End;
    int perLine = 0;
};
PerLine recordsPerLine(const QString& answer);

} // namespace Listing
