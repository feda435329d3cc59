#pragma once
// State of the recording of live samples.

#include "records/core/datafile.h"

#include <QByteArrayList>
#include <QString>
#include <functional>

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
