// Frame codec: layout, FCS (CRC-16/X.25), octet stuffing, builders and readers.
// Pure computation on caller buffers of FRAME_BUFFER_SIZE bytes; no I/O, no state
// kept between calls (the scratch buffer means nothing between calls).
#pragma once

#include <cstddef>
#include <cstdint>

constexpr uint8_t FLAG_BYTE = 0x7E;
constexpr uint8_t ESCAPE_BYTE = 0x7D;
constexpr uint8_t ESCAPE_XOR = 0x20;
constexpr int BLOCK_SIZE = 1024;
constexpr int FRAME_OVERHEAD = 8;
constexpr int FRAME_BUFFER_SIZE = 2048;
constexpr int MIN_FRAME_LENGTH = 8;

constexpr uint16_t CMD_READ = 0x0001;
constexpr uint16_t CMD_WRITE = 0x0002;
constexpr uint16_t CMD_DATA = 0x0003;
constexpr uint16_t CMD_ACK = 0x0004;
constexpr uint16_t CMD_ERROR = 0x0005;

extern const uint16_t FCS_TABLE[256];

// Feeds bytes into an FCS register (preset 0xFFFF by the caller).
uint16_t UpdateFcs(uint16_t fcs, const uint8_t* bytes, int count);

// Stores the FCS of bytes 1..n-4 at n-3 (low) and n-2 (high).
void AppendFcs(uint8_t* frame, int n);
// True when the FCS of a decoded frame of n bytes is right.
bool CheckFcs(const uint8_t* frame, int n);

// Stuffs the decoded frame in place and returns the stuffed length. Returns 0
// and leaves the buffer untouched when n <= 0 or when the stuffed form would
// not fit FRAME_BUFFER_SIZE bytes.
int StuffFrame(uint8_t* frame, int n);
// Reverses the stuffing of m raw bytes in place and returns the decoded length.
// Never reads past m: a 0x7D as the very last byte escapes nothing and is dropped.
int UnstuffFrame(uint8_t* frame, int m);

int BuildReadRequest(uint8_t* frame, const char* name, const char* sizeText);
int BuildWriteRequest(uint8_t* frame, const char* name);
int BuildDataFrame(uint8_t* frame, uint16_t block, const uint8_t* payload, int p);
int BuildAckFrame(uint8_t* frame, uint16_t block);

uint16_t GetFrameCommand(const uint8_t* frame);
uint16_t GetBlockNumber(const uint8_t* frame);
// Payload of a decoded DATA frame of n >= 8 bytes; *length gets n - 8.
const uint8_t* GetDataPayload(const uint8_t* frame, int n, int* length);
// Text of a decoded ERROR frame of n bytes, from offset 5 up to its NUL, or up
// to the FCS when there is no NUL; *length gets the text's byte count.
const uint8_t* GetErrorText(const uint8_t* frame, int n, int* length);
