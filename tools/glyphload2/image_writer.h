// The write exchange: part 2 of the glyph image into the board's file.
#pragma once

#include "image_part.h"

// Writes the given part; true once the board has acknowledged its last block.
bool WritePart(const ImagePart& part);
// The writer's exchange for image part 2, as glyphload2 runs it.
bool WriteImagePart();
