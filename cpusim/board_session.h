// The board's side of the two exchanges. A session is one tool run: it
// starts with a WRITE or READ request and ends with its last block, with an
// answer that ends the tool's run (an ERROR the tool gives up on, or an
// injected fault it must reject), or when the next request arrives.
#pragma once

#include <cstdint>

struct BoardSettings {
    long serveBytes;  // -1: serve files at their own length
    bool verbose;     // one line on standard error per frame
};

void InitBoard(const BoardSettings* settings);
// Handles one raw frame gathered from the line, flags included.
void HandleToolFrame(const uint8_t* raw, int rawLength);
int EndedSessions();
// Reports a session still open when the board stops.
void CloseBoard();
