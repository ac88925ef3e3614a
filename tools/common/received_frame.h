// The board's answers as both exchanges take them.
#pragma once

// Waits for the board's next frame. False, after MSG_CRC_ERROR, when the
// frame fails its check: nothing of it may be read then. *n gets the decoded
// length of the frame now in FrameBuffer.
bool ReceiveCheckedFrame(int* n);
// Prints MSG_CPU_ERROR with the text of the ERROR frame of n bytes in FrameBuffer.
void PrintBoardError(int n);
