#pragma once
// What the save dialog of every save hands to its caller.

#include <QString>

struct FileTransferState
{
    QString SaveFileName;    // full path of the last save dialog that returned a file
    bool FileChosen = false; // the last save dialog returned a file; the caller clears it
};

FileTransferState& fileTransferState();
