// Tests of the glyph image: the fixed facts, the telling cells, the
// populated set, the bits and blank-cell rules. The figures that depend on the
// font revision are computed and printed by GlyphImageFigures.Report, with the
// reference image's figures beside them; only what the system needs is
// asserted (the frames themselves are checked in glyphimage_frames_test).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "frame_codec.h"
#include "image_part.h"

namespace {

const uint8_t* CellAt(int index)
{
    const ImagePart& part = index < PART2_FIRST_CELL ? IMAGE_PART1 : IMAGE_PART2;
    return part.bytes + static_cast<size_t>(index - part.firstCell) * GLYPH_CELL_SIZE;
}

std::vector<uint8_t> Cell(int index)
{
    const uint8_t* p = CellAt(index);
    return std::vector<uint8_t>(p, p + GLYPH_CELL_SIZE);
}

bool AllZero(const uint8_t* p, int n)
{
    for (int i = 0; i < n; ++i) {
        if (p[i] != 0) return false;
    }
    return true;
}

// ---- The populated set, written down independently of the generator.
struct PopulatedRow {
    int row;
    int count;                               // the table's "N:" figure
    std::vector<std::pair<int, int>> cells;  // inclusive ranges
};

std::vector<PopulatedRow> PopulatedTable()
{
    std::vector<PopulatedRow> t = {
        {1, 93, {{2, 94}}},
        {2, 53, {{1, 14}, {26, 33}, {42, 48}, {60, 74}, {82, 89}, {94, 94}}},
        {3, 62, {{16, 25}, {33, 58}, {65, 90}}},
        {4, 84, {{1, 84}}},
        {5, 86, {{1, 86}}},
        {6, 48, {{1, 24}, {33, 56}}},
        {7, 66, {{1, 33}, {49, 81}}},
        {8, 32, {{1, 32}}},
        {13, 83, {{1, 30}, {32, 54}, {63, 92}}},
        {47, 51, {{1, 51}}},
        {84, 6, {{1, 6}}},
    };
    for (int r = 16; r <= 83; ++r) {
        if (r != 47) t.push_back({r, 94, {{1, 94}}});
    }
    return t;
}

std::vector<bool> PopulatedCells()
{
    std::vector<bool> populated(GLYPH_IMAGE_CELLS, false);
    for (const PopulatedRow& expected : PopulatedTable()) {
        for (auto range : expected.cells) {
            for (int c = range.first; c <= range.second; ++c) {
                populated[GlyphCellIndex(expected.row, c)] = true;
            }
        }
    }
    return populated;
}

// ---- The escaped bytes of a block's DATA frame, through the link layer's codec.
struct DataFrameFacts {
    int payloadEscapes;
    int fcsEscapes;
    int stuffedLength;
};

bool Escaped(uint8_t b) { return b == FLAG_BYTE || b == ESCAPE_BYTE; }

DataFrameFacts DataFrame(int block, const uint8_t* payload, int p)
{
    uint8_t frame[FRAME_BUFFER_SIZE];
    int n = BuildDataFrame(frame, static_cast<uint16_t>(block), payload, p);
    DataFrameFacts f{};
    for (int i = 0; i < p; ++i) f.payloadEscapes += Escaped(payload[i]);
    f.fcsEscapes = Escaped(frame[n - 3]) + Escaped(frame[n - 2]);
    f.stuffedLength = StuffFrame(frame, n);
    return f;
}

// ================= Fixed facts =================

TEST(GlyphImageFacts, SizesNamesAndSizeTexts)
{
    EXPECT_EQ(GLYPH_CELL_SIZE, 24);
    EXPECT_EQ(GLYPH_IMAGE_CELLS, 7896);
    EXPECT_EQ(GLYPH_IMAGE_SIZE, 189504);
    EXPECT_EQ(IMAGE_PART1.size, 120000);
    EXPECT_EQ(IMAGE_PART2.size, 69504);
    EXPECT_EQ(IMAGE_PART1.size + IMAGE_PART2.size, GLYPH_IMAGE_SIZE);
    EXPECT_STREQ(IMAGE_PART1.fileName, "0&000000.DAT");
    EXPECT_STREQ(IMAGE_PART2.fileName, "1&000000.DAT");
    EXPECT_EQ(std::strlen(IMAGE_PART1.fileName), 12u);
    EXPECT_EQ(std::strcmp(IMAGE_PART1.fileName + 1, IMAGE_PART2.fileName + 1), 0);
    EXPECT_STREQ(IMAGE_PART1.sizeText, "120000");
    EXPECT_STREQ(IMAGE_PART2.sizeText, "069504");  // the leading zero stays
    EXPECT_EQ(std::strlen(IMAGE_PART1.sizeText), 6u);
    EXPECT_EQ(std::strlen(IMAGE_PART2.sizeText), 6u);
    EXPECT_EQ(IMAGE_PART1.firstCell, 0);
    EXPECT_EQ(IMAGE_PART2.firstCell, 5000);
    EXPECT_EQ(IMAGE_PART2.firstCell * GLYPH_CELL_SIZE, IMAGE_PART1.size);  // split on a cell boundary
}

TEST(GlyphImageFacts, CellIndexFormula)
{
    EXPECT_EQ(GlyphCellIndex(1, 1), 0);
    EXPECT_EQ(GlyphCellIndex(1, 2), 1);
    EXPECT_EQ(GlyphCellIndex(16, 1), 1410);  // 亜, JIS 0x3021
    EXPECT_EQ(GlyphCellIndex(0x30 - 0x20, 0x21 - 0x20), 1410);
    EXPECT_EQ(GlyphCellIndex(16, 1) * GLYPH_CELL_SIZE, 33840);
    EXPECT_EQ(GlyphCellIndex(54, 18), 4999);  // 峅, last cell of part 1
    EXPECT_EQ(GlyphCellIndex(54, 19), 5000);  // 岾, first cell of part 2
    EXPECT_EQ(GlyphCellIndex(84, 6), 7807);   // last glyph of the image
    EXPECT_EQ(GlyphCellIndex(84, 94), 7895);  // last cell
}

TEST(GlyphImageFacts, SplitAtYamaKanmuri)
{
    // Last cell of part 1 is part-1 bytes 119976-119999; the next cell (岾) is part-2 bytes 0-23.
    EXPECT_EQ(GlyphCellIndex(54, 18) * GLYPH_CELL_SIZE, 119976);
    EXPECT_EQ(CellAt(4999), IMAGE_PART1.bytes + 119976);
    EXPECT_EQ(CellAt(5000), IMAGE_PART2.bytes);
    const uint8_t yama[24] = {0x80, 0x00, 0xF0, 0x00, 0x80, 0x00, 0x00, 0xF8, 0x40, 0x40, 0x40, 0x00,
                              0x3F, 0x20, 0x3F, 0x20, 0x7F, 0x44, 0x44, 0x47, 0x44, 0x44, 0x7C, 0x00};
    EXPECT_EQ(std::memcmp(IMAGE_PART2.bytes, yama, 24), 0);
    EXPECT_FALSE(AllZero(IMAGE_PART1.bytes + 119976, 24));  // 峅 holds a glyph
}

TEST(GlyphImageFacts, BlockCountsAndLastBlocks)
{
    EXPECT_EQ(GetImageBlockCount(IMAGE_PART1), 118);
    EXPECT_EQ(GetImageBlockCount(IMAGE_PART2), 68);
    ImageBlock b{};
    ASSERT_TRUE(GetImageBlock(IMAGE_PART1, 118, &b));
    EXPECT_EQ(b.offset, 119808);
    EXPECT_EQ(b.length, 192);
    EXPECT_EQ(b.offset, GlyphCellIndex(54, 11) * GLYPH_CELL_SIZE);  // row 54, cells 11-18
    EXPECT_EQ(b.length, 8 * GLYPH_CELL_SIZE);
    ASSERT_TRUE(GetImageBlock(IMAGE_PART2, 68, &b));
    EXPECT_EQ(b.offset, 67 * 1024);
    EXPECT_EQ(b.length, 896);
    EXPECT_TRUE(AllZero(b.bytes, b.length));  // the last block of part 2 is all zero
}

TEST(GlyphImageFacts, EveryBlockInPlace)
{
    for (const ImagePart* part : {&IMAGE_PART1, &IMAGE_PART2}) {
        int count = GetImageBlockCount(*part);
        int total = 0;
        for (int k = 1; k <= count; ++k) {
            ImageBlock b{};
            ASSERT_TRUE(GetImageBlock(*part, k, &b)) << k;
            EXPECT_EQ(b.offset, (k - 1) * 1024);
            EXPECT_EQ(b.length, k < count ? 1024 : part->size - (count - 1) * 1024);
            EXPECT_EQ(b.bytes, part->bytes + b.offset);  // in place, no copy
            total += b.length;
        }
        EXPECT_EQ(total, part->size);
    }
    // Block 2 begins 16 bytes into cell 42.
    EXPECT_EQ(1024, 42 * GLYPH_CELL_SIZE + 16);
}

TEST(GlyphImageFacts, NoBlock0Or119Or69)
{
    const ImageBlock untouched{-7, -7, nullptr};
    struct Case {
        const ImagePart* part;
        int k;
    } cases[] = {{&IMAGE_PART1, 0},  {&IMAGE_PART1, 119}, {&IMAGE_PART1, -1}, {&IMAGE_PART2, 0},
                 {&IMAGE_PART2, 69}, {&IMAGE_PART2, 118}, {&IMAGE_PART2, 65535}};
    for (const Case& c : cases) {
        ImageBlock b = untouched;
        EXPECT_FALSE(GetImageBlock(*c.part, c.k, &b)) << c.k;
        EXPECT_EQ(b.offset, -7);
        EXPECT_EQ(b.length, -7);
        EXPECT_EQ(b.bytes, nullptr);
    }
}

// ================= The image =================

TEST(GlyphImage, TellingCells)
{
    EXPECT_EQ(Cell(0), std::vector<uint8_t>(24, 0));  // ideographic space
    EXPECT_EQ(Cell(1), (std::vector<uint8_t>{0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                                            0x00, 0x20, 0x40, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}));
    EXPECT_EQ(Cell(1410), (std::vector<uint8_t>{0x10, 0x90, 0x90, 0x90, 0xF0, 0x90, 0xF0, 0x90, 0x90, 0x90, 0x10, 0x00,
                                               0x40, 0x4F, 0x48, 0x48, 0x7F, 0x48, 0x7F, 0x48, 0x48, 0x4F, 0x40, 0x00}));
    EXPECT_EQ(Cell(5000), (std::vector<uint8_t>{0x80, 0x00, 0xF0, 0x00, 0x80, 0x00, 0x00, 0xF8, 0x40, 0x40, 0x40, 0x00,
                                               0x3F, 0x20, 0x3F, 0x20, 0x7F, 0x44, 0x44, 0x47, 0x44, 0x44, 0x7C, 0x00}));
    EXPECT_EQ(Cell(7895), std::vector<uint8_t>(24, 0));  // row 84, cell 94
    // Part 1's block 1 begins with the blank ideographic space.
    EXPECT_TRUE(AllZero(IMAGE_PART1.bytes, 24));
}

TEST(GlyphImage, PopulatedSetExactly)
{
    int total = 0;
    for (const PopulatedRow& expected : PopulatedTable()) {
        int n = 0;
        for (auto range : expected.cells) n += range.second - range.first + 1;
        EXPECT_EQ(n, expected.count) << "row " << expected.row;
        total += n;
    }
    EXPECT_EQ(total, 6962);

    std::vector<bool> populated = PopulatedCells();
    std::vector<int> perRow(GLYPH_ROWS + 1, 0);
    int withGlyph = 0;
    for (int i = 0; i < GLYPH_IMAGE_CELLS; ++i) {
        bool blank = AllZero(CellAt(i), GLYPH_CELL_SIZE);
        // Blank-cell rule: a cell holds a glyph (is not all zero) exactly when
        // the table lists it; every other cell is 24 zero bytes.
        EXPECT_EQ(!blank, populated[i]) << "row " << i / 94 + 1 << ", cell " << i % 94 + 1;
        if (!blank) {
            ++withGlyph;
            ++perRow[i / GLYPH_CELLS_PER_ROW + 1];
        }
    }
    EXPECT_EQ(withGlyph, 6962);
    for (const PopulatedRow& expected : PopulatedTable()) {
        EXPECT_EQ(perRow[expected.row], expected.count) << "row " << expected.row;
    }
    for (int r : {9, 10, 11, 12, 14, 15}) {
        EXPECT_EQ(perRow[r], 0) << "row " << r;
    }
    // The last glyph is row 84, cell 6 (index 7807); it ends at part-2 byte 67391.
    EXPECT_FALSE(AllZero(CellAt(7807), 24));
    EXPECT_EQ((7807 - PART2_FIRST_CELL) * 24 + 23, 67391);
    EXPECT_TRUE(AllZero(IMAGE_PART2.bytes + 67392, IMAGE_PART2.size - 67392));
}

TEST(GlyphImage, BitsRule)
{
    uint8_t any[GLYPH_CELL_SIZE] = {};
    for (int i = 0; i < GLYPH_IMAGE_CELLS; ++i) {
        const uint8_t* cell = CellAt(i);
        for (int b = 0; b < GLYPH_CELL_SIZE; ++b) {
            // Pixel rows 0-2 (bits 0-2 of page 0) and 15 (bit 7 of page 1) are clear.
            uint8_t forbidden = b < 12 ? 0x07 : 0x80;
            ASSERT_EQ(cell[b] & forbidden, 0) << "cell " << i << ", byte " << b;
            any[b] |= cell[b];
        }
    }
    // Every other bit of every byte position is set in some glyph.
    for (int b = 0; b < GLYPH_CELL_SIZE; ++b) {
        EXPECT_EQ(any[b], b < 12 ? 0xF8 : 0x7F) << "byte " << b;
    }
}

// ================= Figures that depend on the font revision =================

std::string BlockList(const std::vector<int>& blocks)
{
    std::string s;
    for (size_t i = 0; i < blocks.size();) {
        size_t j = i;
        while (j + 1 < blocks.size() && blocks[j + 1] == blocks[j] + 1) ++j;
        if (!s.empty()) s += ", ";
        s += std::to_string(blocks[i]);
        if (j > i) s += "-" + std::to_string(blocks[j]);
        i = j + 1;
    }
    return s.empty() ? "none" : s;
}

TEST(GlyphImageFigures, Report)
{
    struct PartFigures {
        const char* name;
        const ImagePart* part;
        const char* ref7E;
        const char* ref7D;
        const char* refMost;
        const char* refLongest;
        const char* refZero;
        const char* refFcs;
    } parts[] = {
        {"part 1", &IMAGE_PART1, "576", "426", "29 (block 70)", "1061 (block 70)", "18-26, 30-33", "81-82"},
        {"part 2", &IMAGE_PART2, "599", "419", "51 (block 34)", "1083 (block 34)", "67-68", "12, 19-20, 42"},
    };
    std::printf("\n%-40s %-16s %s\n", "figure", "ours", "reference image");
    for (const PartFigures& pf : parts) {
        const ImagePart& part = *pf.part;
        int n7E = 0, n7D = 0;
        for (int i = 0; i < part.size; ++i) {
            n7E += part.bytes[i] == 0x7E;
            n7D += part.bytes[i] == 0x7D;
        }
        int most = -1, mostBlock = 0, longest = -1, longestBlock = 0;
        std::vector<int> zeroBlocks, fcsBlocks;
        for (int k = 1; k <= GetImageBlockCount(part); ++k) {
            ImageBlock b{};
            ASSERT_TRUE(GetImageBlock(part, k, &b));
            DataFrameFacts f = DataFrame(k, b.bytes, b.length);
            if (f.payloadEscapes > most) most = f.payloadEscapes, mostBlock = k;
            if (f.stuffedLength > longest) longest = f.stuffedLength, longestBlock = k;
            if (AllZero(b.bytes, b.length)) zeroBlocks.push_back(k);
            if (f.fcsEscapes) fcsBlocks.push_back(k);
        }
        char buf[64];
        auto line = [&](const char* what, const std::string& ours, const char* reference) {
            std::printf("%-40s %-16s %s\n", (std::string(pf.name) + ": " + what).c_str(), ours.c_str(), reference);
        };
        line("bytes 0x7E", std::to_string(n7E), pf.ref7E);
        line("bytes 0x7D", std::to_string(n7D), pf.ref7D);
        std::snprintf(buf, sizeof buf, "%d (block %d)", most, mostBlock);
        line("most of both in one block", buf, pf.refMost);
        std::snprintf(buf, sizeof buf, "%d (block %d)", longest, longestBlock);
        line("longest stuffed DATA frame", buf, pf.refLongest);
        line("all-zero blocks", BlockList(zeroBlocks), pf.refZero);
        line("blocks whose FCS is escaped", BlockList(fcsBlocks), pf.refFcs);
        RecordProperty(std::string(pf.name) + " 0x7E", n7E);
        RecordProperty(std::string(pf.name) + " 0x7D", n7D);
        RecordProperty(std::string(pf.name) + " longest stuffed frame", longest);
    }
    int column11 = 0;
    std::string cells;
    for (int i = 0; i < GLYPH_IMAGE_CELLS; ++i) {
        const uint8_t* cell = CellAt(i);
        if (cell[11] || cell[23]) {
            ++column11;
            char rc[16];
            std::snprintf(rc, sizeof rc, " %02X%02X", i / 94 + 1 + 0x20, i % 94 + 1 + 0x20);
            cells += rc;
        }
    }
    std::printf("%-40s %-16d %s\n", "cells with ink in column 11", column11, "37");
    std::printf("  JIS codes:%s\n", cells.c_str());
    RecordProperty("column 11 cells", column11);
}

}  // namespace
