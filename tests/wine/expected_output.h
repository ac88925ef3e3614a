// What the tools write to a redirected standard output on Windows: their
// Shift_JIS texts, with every "\n" turned into "\r\n" by the C runtime's text
// mode. Built from the image and the frame codec, line by line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image_part.h"

namespace winetest {

using Bytes = std::vector<uint8_t>;

// Shift_JIS bytes of the tools' texts, with line ends as Windows writes them.
// "***** 漢字書き込み完了 *****"
extern const char WRITE_COMPLETE_LINE[];
// "***** 漢字べりファイ : OK *****"
extern const char VERIFY_BANNER_LINE[];
// "***** エラーです *****"
extern const char FAILURE_BANNER_LINE[];
extern const char PRESS_ANY_KEY_LINE[];

Bytes PartBytes(const ImagePart& part);
// "ACK --> " and each byte of the frame as "%02x ", then the line end.
std::string AckLine(const Bytes& decoded);
// A whole successful glyphload2 run: 69 ACK lines and the closing lines.
std::string WriterOutput();
// A whole glyphcheck run whose board serves `served` for the part: a line
// per block (every block here has 16 bytes or more), then the verdict.
std::string VerifierOutput(const ImagePart& part, const Bytes& served);
// The count of "\r\n" line ends.
int CountLines(const std::string& text);

}  // namespace winetest
