#pragma once
// What the port window hands to the rest of the program.

struct StartupState
{
    int PortNumber = 0; // 1..16 once chosen; 0 names no port
    bool OfflineModeFlag = false;
};

StartupState& startupState();
