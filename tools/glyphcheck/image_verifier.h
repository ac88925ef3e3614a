// The read-and-verify exchange: one part of the glyph image read back from
// the board and compared block by block with the part built into the tool.
#pragma once

#include "image_part.h"

// Reads the part's file from the board and compares it; true only when the
// board's file equals the part, every byte and its whole length.
bool VerifyPart(const ImagePart& part);
// The exchange for the part this verifier is built with.
bool VerifyImagePart();
