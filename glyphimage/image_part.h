// The glyph image as the board's two files hold it: 12x12 glyphs in 24-byte
// cells, JIS X 0208 rows 1-84 in row/cell order, split into two parts.
// Each part is constant data in its own unit, so a tool links only its part.
#pragma once

#include <cstdint>

constexpr int GLYPH_CELL_SIZE = 24;
constexpr int GLYPH_ROWS = 84;
constexpr int GLYPH_CELLS_PER_ROW = 94;
constexpr int GLYPH_IMAGE_CELLS = GLYPH_ROWS * GLYPH_CELLS_PER_ROW;  // 7896
constexpr int GLYPH_IMAGE_SIZE = GLYPH_IMAGE_CELLS * GLYPH_CELL_SIZE; // 189504
constexpr int IMAGE_BLOCK_SIZE = 1024;

struct GlyphCell {
    uint8_t bytes[GLYPH_CELL_SIZE];
};

struct ImagePart {
    const char* fileName;  // 12 characters, e.g. "0&000000.DAT"
    const char* sizeText;  // 6 digits with leading zeros
    int size;              // bytes
    int firstCell;         // image cell index of the part's first byte
    const uint8_t* bytes;  // read-only, `size` bytes
};

#define PART1_FILE_NAME "0&000000.DAT"
#define PART2_FILE_NAME "1&000000.DAT"
#define PART1_SIZE_TEXT "120000"
#define PART2_SIZE_TEXT "069504"
constexpr int PART1_SIZE = 120000;
constexpr int PART2_SIZE = 69504;
constexpr int PART1_FIRST_CELL = 0;
constexpr int PART2_FIRST_CELL = 5000;  // row 54, cell 19
static_assert(PART1_SIZE == (PART2_FIRST_CELL - PART1_FIRST_CELL) * GLYPH_CELL_SIZE, "split on a cell boundary");
static_assert(PART1_SIZE + PART2_SIZE == GLYPH_IMAGE_SIZE, "the two parts are the image");

extern const ImagePart IMAGE_PART1;  // in image_part1.cpp
extern const ImagePart IMAGE_PART2;  // in image_part2.cpp

// Cell index of JIS row r, cell c (both from 1).
constexpr int GlyphCellIndex(int row, int cell) { return (row - 1) * GLYPH_CELLS_PER_ROW + (cell - 1); }

struct ImageBlock {
    int offset;            // (k - 1) * 1024
    int length;            // 1024, or the remainder for the last block
    const uint8_t* bytes;  // the part's bytes from offset on, in place
};

int GetImageBlockCount(const ImagePart& part);
// Block k (1..count) of a part; false, and *block untouched, for any other k.
bool GetImageBlock(const ImagePart& part, int k, ImageBlock* block);
