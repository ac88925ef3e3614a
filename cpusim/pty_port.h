// The board's end of the serial line: a pseudo-terminal pair. The tools open
// the slave side as their port; the board talks through the master side.
#pragma once

constexpr int PTY_NAME_SIZE = 256;

struct PtyPort {
    int master;
    // Held open and never read: with it, the master never sees a hang-up
    // when a tool closes the port between runs, and the line settings stay.
    int slave;
    char slaveName[PTY_NAME_SIZE];
};

// Opens the pair, puts the line in raw mode and makes the master
// non-blocking. Reports failures on standard error.
bool OpenPtyPort(PtyPort* port);
void ClosePtyPort(PtyPort* port);
// Bytes written by the board that no tool has read yet.
int PendingToolInput(const PtyPort* port);

// Points a symbolic link at the slave side, replacing an older link but never
// a file of another kind. Reports failures on standard error.
bool CreatePortLink(const char* linkPath, const char* target);
// Removes the link if it still points at target.
void RemovePortLink(const char* linkPath, const char* target);
