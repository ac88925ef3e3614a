// The serial side of the link layer: the run's one port, sending built frames
// and gathering whole received frames in the static FrameBuffer.
#pragma once

#include <cstdint>

#include "frame_codec.h"

constexpr int PORT_NAME_LENGTH = 15;
constexpr int PORT_QUEUE_SIZE = 2048;

extern uint8_t FrameBuffer[FRAME_BUFFER_SIZE];
extern uint8_t ChunkBuffer[FRAME_BUFFER_SIZE];

// 1 when port p is open and configured; 0 after showing why not.
int OpenCommPort(int portNumber);
// Stuffs the decoded frame of n bytes in FrameBuffer and writes it. Returns
// the stuffed length, or 0 when the frame cannot be stuffed within the buffer
// (nothing is written then).
int SendFrame(int n);
void SendStuffedFrame(const uint8_t* bytes, int count);
// Waits, without time limit, for a whole frame and returns its decoded length;
// FrameBuffer then holds the decoded frame.
int ReceiveFrame();

// "COM<n>" as the UTF-16 caption of the port's message boxes.
void FormatPortName(int portNumber, char16_t name[PORT_NAME_LENGTH]);
