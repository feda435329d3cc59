#pragma once
// Procedures of the FileTransfer module that work on the main window.

class Panel;

namespace FileTransfer {

// After a lost meter: ends a running recording, clears the live state and
// listens, sending nothing, until frames can be read again; then
// Panel::liveFound shows the port and restarts the statistics.
void ResetAndResync(Panel& panel);

} // namespace FileTransfer
