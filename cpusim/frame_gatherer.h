// Gathers the raw frames a tool sends out of the byte stream. Unlike the
// tools' receiver, the board resynchronises: bytes before an opening flag
// are junk, frames are split at every flag, a frame too short to be one
// (fewer than MIN_FRAME_LENGTH decoded bytes, e.g. two flags in a row) is
// junk whose closing flag opens the next frame, and a run of bytes that
// outgrows FRAME_BUFFER_SIZE without a closing flag is junk too.
#pragma once

#include <cstdint>

enum GatherEvent {
    GATHER_MORE,   // nothing complete yet
    GATHER_FRAME,  // a whole raw frame is ready: GatheredFrame
    GATHER_JUNK,   // bytes outside any frame are ready: GatheredJunk
};

void ResetGatherer();
// Feeds one byte that arrived at arrivalNs. What an event makes ready stays
// valid until the next call.
GatherEvent FeedGatherer(uint8_t byte, int64_t arrivalNs);
// The raw frame, flags included, with the arrival of its first and last byte.
const uint8_t* GatheredFrame(int* length, int64_t* firstNs, int64_t* lastNs);
const uint8_t* GatheredJunk(int* length, int64_t* firstNs, int64_t* lastNs);
