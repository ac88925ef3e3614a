// What the tools write to a redirected standard output on Windows: the same
// Shift_JIS texts as on Linux, with every "\n" turned into "\r\n" by the C
// runtime's text mode.
#pragma once

#include <string>

#include "e2e_support.h"

namespace winetest {

std::string WindowsLineEnds(const std::string& text);
// A whole successful glyphload2 run: 69 ACK lines and the closing lines.
std::string WriterOutput();
// A whole glyphcheck run whose board serves `served` for the part.
std::string VerifierOutput(const ImagePart& part, const Bytes& served);
// The count of "\r\n" line ends.
int CountLines(const std::string& text);

}  // namespace winetest
