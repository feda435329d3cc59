#pragma once
// Procedures of the FileTransfer module that work on the main window.

class Panel;

namespace FileTransfer {

// After a lost meter: ends a running recording, clears the live state and
// waits, sending nothing, until frames arrive again.
void ResetAndResync(Panel& panel);

} // namespace FileTransfer
