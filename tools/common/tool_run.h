// The frame around every tool's transfer: start-up from the command line and
// the closing banner, key wait and exit status.
#pragma once

// atoi's rules (white space, sign, digits, stop at the first other
// character; no digits gives 0), with values beyond int clamped to its range.
int ParsePortArgument(const char* text);
// Exactly one argument names the port; otherwise port 1.
int PortNumberFromArguments(int argc, char** argv);
// Takes the port number and opens the port; false when it did not open (the
// message has been shown and the tool ends with status 1, silently).
bool StartRun(int argc, char** argv);
// Prints the success banner or the failure banner, then the key prompt,
// waits for one key and returns the exit status (0 or 1).
int FinishRun(bool succeeded, const char* successBanner);
