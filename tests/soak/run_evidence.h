// What the board's transcript tells about a soak run: whether a frame on the
// line came through whole, which frame a stalled exchange lost, and a short
// excerpt of the last frames for a report.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "transcript_reader.h"

// A frame exactly as the codec builds and stuffs it: flags at both ends and
// only there, its FCS right, and its length one its command can have.
bool IsIntactFrame(const std::vector<uint8_t>& raw);

// "ACK 13", "DATA 14, 1024 bytes", "ERROR 0 \"FCS NG\"", or for a frame that
// noise damaged "damaged, 7 bytes: 7e00040d5a447e".
std::string DescribeLineFrame(const std::vector<uint8_t>& raw);

// Why an exchange that went quiet with both sides still running is the
// silence a lost frame leaves: the board's last frame never became a whole
// frame for the tool, or (with noise towards the board) the tool's answer to
// it never became a frame for the board. Empty when the transcript shows no
// such loss, that is when the tool waits although everything arrived.
std::string ExplainLostFrame(const std::vector<testsupport::TranscriptEntry>& entries,
                             bool noiseTowardsBoard);

// The last `count` transcript entries, one line each, long frames cut short.
std::string TranscriptExcerpt(const std::vector<testsupport::TranscriptEntry>& entries,
                              int count);
