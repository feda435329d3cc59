#pragma once
// The recording of live samples: its state, its scratch file "Fake", its
// stops and the writing of its final file.

#include "meter/core/scratchfile.h"
#include "records/core/datafile.h"

#include <QByteArrayList>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

struct RecordingState
{
    bool Recording = false;
    long long RecordedLines = 0; // records taken by the running recording

    // A recording keeps its own target and separator from its start, so a
    // list saved meanwhile can neither redirect nor overwrite its file.
    QString RecordingFileName;
    bool RecordingComma = false;
    bool Stopping = false; // the final file is being written

    // A recording stopped without its final file: no line joins it any
    // more, and its records wait (in "Fake", or in memory where "Fake" had
    // no room) with the header of the moment it stopped, until a later stop
    // writes the file. No new recording starts meanwhile: it would replace
    // "Fake".
    bool Pending = false;
    long long PendingRecords = 0;
    DataFile::RealTimeHeader PendingHeader;

    // Records at which a recording stops, and at which the live list is dumped.
    long long RecordLimit = DataFile::MaxRecords;
    long long ListLimit = DataFile::MaxRecords;
};

RecordingState& recordingState();

struct RecordingFileResult
{
    QString error;        // why the file was not written; empty when it was
    long long copied = 0; // lines read from the scratch file, its title line included
};

// Writes a recording's final file at target, whole or not at all: the
// header, every line of the scratch file unchanged, then the lines that still
// wait in memory. progress gets the scratch lines copied so far, at most
// every 100 ms and at the last one. A scratch file that cannot be read in
// full replaces nothing.
RecordingFileResult writeRecordingFile(const QString& scratchPath, const QString& target,
                                       const DataFile::RealTimeHeader& header,
                                       const QByteArrayList& waiting,
                                       const std::function<void(long long copied)>& progress);

// The recording's course, without its windows: started into "Fake" with a
// target file; a line for each sample; stopped by the user, at the record
// limit, by a lost meter or by closing. A stop ends the sampling and fixes
// the header; a final file that cannot be written leaves the recording
// pending, every record kept (in "Fake", or in memory where "Fake" has no
// room), until a later stop writes it. The state is recordingState().
class Recorder
{
public:
    // "Fake" is made in the folder the program runs in.
    static QString scratchName();

    // Starts a recording into target, in the comma form or not: "Fake" is
    // made anew with its title line, and the recording's statistics start
    // from nothing. Empty when started, else why not.
    QString start(const QString& target, bool comma);

    struct Sample
    {
        bool recorded = false;     // a line of the running recording
        QString failure;           // "Fake" has just stopped taking lines: why
        bool limitReached = false; // the recording is to stop now
    };
    // One sample. While a stopped recording waits for its file, the lines
    // it keeps in memory go into "Fake" as soon as there is room.
    Sample sample(const QString& sampleTime, const QString& dB);

    // What the boards showed when the sampling stopped, for the header.
    struct Boards
    {
        QString ca, sfi, level;
    };
    struct Stopped
    {
        bool again = false;     // a recording that had been pending
        long long records = 0;  // the recording's records
        QString target;         // its final file
        QString error;          // why the final file was not written
        qsizetype inMemory = 0; // of the records, those not in "Fake"
        QString noRoom;         // why "Fake" had no room for them
    };
    // Stops the running recording (its header fixed now from the boards and
    // its statistics) or writes a pending one; nothing when neither is.
    // progress gets the lines copied so far.
    std::optional<Stopped> stop(const Boards& boards,
                                const std::function<void(long long copied)>& progress);

    // Records that closing would lose: those kept only in memory.
    qsizetype inMemory() const { return scratch_ ? scratch_->waiting().size() : 0; }
    // Where "Fake" is, for messages.
    QString scratchPath() const;

private:
    std::unique_ptr<ScratchFile> scratch_;
    bool failureTold_ = false; // told once until "Fake" has room again
};
