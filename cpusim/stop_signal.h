// SIGINT and SIGTERM end the board cleanly. The handler only records the
// signal and wakes the main loop through a pipe, so that a wait on the line
// cannot miss it.
#pragma once

bool InstallStopSignals();
bool StopRequested();
// The signal that asked for the stop, 0 while none has.
int StopSignalNumber();
// Read end of the wake-up pipe, readable once a stop signal has arrived.
int StopWakeFd();
