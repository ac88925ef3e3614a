#include "received_frame.h"

#include "comm_port.h"
#include "console.h"
#include "console_texts.h"
#include "frame_codec.h"

bool ReceiveCheckedFrame(int* n) {
    *n = ReceiveFrame();
    if (!CheckFcs(FrameBuffer, *n)) {
        ConsolePrint(MSG_CRC_ERROR);
        return false;
    }
    return true;
}

void PrintBoardError(int n) {
    int length = 0;
    const uint8_t* text = GetErrorText(FrameBuffer, n, &length);
    PrintCpuError(text, length);
}
