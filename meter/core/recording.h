#pragma once
// State of the recording of live samples.

#include "records/core/datafile.h"

#include <QString>

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
