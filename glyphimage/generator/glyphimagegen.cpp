// glyphimagegen: turns the M+ bitmap font mplus_j12r (BDF, indexed by JIS X 0208
// code) into the glyph image and writes the two part units
// image_part1.cpp and image_part2.cpp.
//
//   glyphimagegen FONT.bdf OUTDIR
//
// Placement: a glyph's bitmap goes top-aligned into the font box (13 rows: the
// font ascent above the baseline, the descent below) by its BBX; box rows 0-11
// become pixel rows 3-14 of the cell, box row 12 (the lowest descent row) is
// dropped; box columns 0-11 are cell columns 0-11. Only the cells that the image
// lists as holding a glyph are filled; every other cell, the ideographic space
// included, stays 24 zero bytes even where the font has a glyph.
//
// The output depends only on the font's bitmaps: no paths, dates or host names,
// so that regenerating reproduces the committed files byte for byte.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "image_part.h"

namespace {

constexpr int BOX_ROWS_KEPT = 12;   // box rows 0-11
constexpr int FIRST_PIXEL_ROW = 3;  // box row r -> pixel row 3 + r
constexpr int GLYPH_COLUMNS = 12;

struct Range {
    int first;
    int last;
};

struct PopulatedRow {
    int row;
    std::vector<Range> cells;
};

// The cells that hold a glyph. Rows 16-46 and 48-83 are full (below).
const PopulatedRow POPULATED_ROWS[] = {
    {1, {{2, 94}}},
    {2, {{1, 14}, {26, 33}, {42, 48}, {60, 74}, {82, 89}, {94, 94}}},
    {3, {{16, 25}, {33, 58}, {65, 90}}},
    {4, {{1, 84}}},
    {5, {{1, 86}}},
    {6, {{1, 24}, {33, 56}}},
    {7, {{1, 33}, {49, 81}}},
    {8, {{1, 32}}},
    {13, {{1, 30}, {32, 54}, {63, 92}}},
    {47, {{1, 51}}},
    {84, {{1, 6}}},
};

bool IsPopulated(int row, int cell)
{
    if ((row >= 16 && row <= 46) || (row >= 48 && row <= 83)) {
        return true;
    }
    for (const PopulatedRow& r : POPULATED_ROWS) {
        if (r.row != row) {
            continue;
        }
        for (const Range& range : r.cells) {
            if (cell >= range.first && cell <= range.last) {
                return true;
            }
        }
    }
    return false;
}

struct BdfGlyph {
    int width = 0, height = 0, xoff = 0, yoff = 0;
    std::vector<std::vector<uint8_t>> rows;  // each row: ceil(width / 8) bytes, MSB leftmost
};

struct BdfFont {
    std::string name;
    int boxWidth = 0, boxHeight = 0, boxXoff = 0, boxYoff = 0;
    int ascent = -1, descent = -1;
    std::map<int, BdfGlyph> glyphs;  // by ENCODING
};

[[noreturn]] void Fail(const std::string& message)
{
    std::fprintf(stderr, "glyphimagegen: %s\n", message.c_str());
    std::exit(1);
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

BdfFont ReadBdf(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        Fail(std::string("cannot open ") + path);
    }
    BdfFont font;
    std::string line;
    int lineNo = 0;
    bool inChar = false;
    int encoding = -1;
    BdfGlyph glyph;
    auto where = [&]() { return std::string(path) + ":" + std::to_string(lineNo) + ": "; };
    while (std::getline(in, line)) {
        ++lineNo;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        std::istringstream words(line);
        std::string key;
        words >> key;
        if (!inChar) {
            if (key == "FONT") {
                font.name = line.size() > 5 ? line.substr(5) : "";
            } else if (key == "FONTBOUNDINGBOX") {
                words >> font.boxWidth >> font.boxHeight >> font.boxXoff >> font.boxYoff;
            } else if (key == "FONT_ASCENT") {
                words >> font.ascent;
            } else if (key == "FONT_DESCENT") {
                words >> font.descent;
            } else if (key == "STARTCHAR") {
                inChar = true;
                encoding = -1;
                glyph = BdfGlyph();
            }
            continue;
        }
        if (key == "ENCODING") {
            words >> encoding;
        } else if (key == "BBX") {
            words >> glyph.width >> glyph.height >> glyph.xoff >> glyph.yoff;
            if (!words || glyph.width < 0 || glyph.height < 0) {
                Fail(where() + "bad BBX");
            }
        } else if (key == "BITMAP") {
            int rowBytes = (glyph.width + 7) / 8;
            for (int j = 0; j < glyph.height; ++j) {
                if (!std::getline(in, line)) {
                    Fail(where() + "bitmap ends early");
                }
                ++lineNo;
                if (!line.empty() && line.back() == '\r') {
                    line.pop_back();
                }
                if (static_cast<int>(line.size()) < rowBytes * 2) {
                    Fail(where() + "bitmap row too short");
                }
                std::vector<uint8_t> row(rowBytes);
                for (int b = 0; b < rowBytes; ++b) {
                    int hi = HexDigit(line[2 * b]), lo = HexDigit(line[2 * b + 1]);
                    if (hi < 0 || lo < 0) {
                        Fail(where() + "bad bitmap row");
                    }
                    row[b] = static_cast<uint8_t>(hi * 16 + lo);
                }
                glyph.rows.push_back(row);
            }
        } else if (key == "ENDCHAR") {
            inChar = false;
            if (encoding < 0) {
                continue;  // unencoded glyph
            }
            if (static_cast<int>(glyph.rows.size()) != glyph.height) {
                Fail(where() + "glyph without its bitmap");
            }
            if (!font.glyphs.emplace(encoding, glyph).second) {
                Fail(where() + "ENCODING " + std::to_string(encoding) + " twice");
            }
        }
    }
    if (font.ascent < 0 || font.descent < 0) {
        Fail(std::string(path) + ": FONT_ASCENT or FONT_DESCENT missing");
    }
    return font;
}

// The 24 bytes of a cell from the glyph; counts ink dropped with box row 12.
void PlaceGlyph(const BdfFont& font, const BdfGlyph& glyph, int jis, uint8_t* cell, int* droppedRows)
{
    std::memset(cell, 0, GLYPH_CELL_SIZE);
    int boxHeight = font.ascent + font.descent;
    int top = font.ascent - (glyph.yoff + glyph.height);  // box row of bitmap row 0
    int left = glyph.xoff - font.boxXoff;                  // box column of bitmap column 0
    bool dropped = false;
    bool ink = false;
    for (int j = 0; j < glyph.height; ++j) {
        for (int x = 0; x < glyph.width; ++x) {
            if (!(glyph.rows[j][x / 8] & (0x80 >> (x % 8)))) {
                continue;
            }
            int boxRow = top + j;
            int column = left + x;
            char code[8];
            std::snprintf(code, sizeof code, "%04X", jis);
            if (boxRow < 0 || boxRow >= boxHeight || column < 0 || column >= GLYPH_COLUMNS) {
                Fail(std::string("glyph ") + code + " has ink outside the 12-column font box");
            }
            if (boxRow >= BOX_ROWS_KEPT) {
                dropped = true;
                continue;
            }
            int y = FIRST_PIXEL_ROW + boxRow;
            if (y < 8) {
                cell[column] |= static_cast<uint8_t>(1u << y);
            } else {
                cell[12 + column] |= static_cast<uint8_t>(1u << (y - 8));
            }
            ink = true;
        }
    }
    if (!ink) {
        char code[8];
        std::snprintf(code, sizeof code, "%04X", jis);
        Fail(std::string("glyph ") + code + " of a populated cell has no ink");
    }
    if (dropped) {
        ++*droppedRows;
    }
}

std::string BaseName(const std::string& path)
{
    size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void WritePart(const std::string& outDir, int number, const std::vector<uint8_t>& image,
               const std::string& fontFile, const std::string& fontName)
{
    int firstCell = number == 1 ? PART1_FIRST_CELL : PART2_FIRST_CELL;
    int size = number == 1 ? PART1_SIZE : PART2_SIZE;
    int cells = size / GLYPH_CELL_SIZE;
    int lastCell = firstCell + cells - 1;
    std::string n = std::to_string(number);
    std::string path = outDir + "/image_part" + n + ".cpp";

    std::ostringstream out;
    char buf[512];
    std::snprintf(buf, sizeof buf,
                  "// Glyph image, part %d: the CPU file %s (size text \"%s\"), %d bytes,\n"
                  "// cells %d-%d (row %d cell %d to row %d cell %d). One cell is two lines,\n"
                  "// bytes 0-11 (page 0, pixel rows 0-7) commented with the cell's row-cell and\n"
                  "// JIS code, then bytes 12-23 (page 1, pixel rows 8-15).\n",
                  number, number == 1 ? PART1_FILE_NAME : PART2_FILE_NAME,
                  number == 1 ? PART1_SIZE_TEXT : PART2_SIZE_TEXT, size, firstCell, lastCell,
                  firstCell / GLYPH_CELLS_PER_ROW + 1, firstCell % GLYPH_CELLS_PER_ROW + 1,
                  lastCell / GLYPH_CELLS_PER_ROW + 1, lastCell % GLYPH_CELLS_PER_ROW + 1);
    out << buf;
    out << "//\n"
           "// GENERATED FILE, do not edit. Made by glyphimage/generator/glyphimagegen from\n"
           "// third_party/mplus/" << fontFile << "\n"
           "// (" << fontName << ").\n"
           "// Regenerate with `ninja glyphimage_regenerate`; the test glyphimage_regeneration\n"
           "// checks that this file is exactly what the generator writes.\n"
           "#include \"image_part.h\"\n"
           "\n"
           "namespace {\n"
           "\n"
           "const uint8_t PART" << n << "_BYTES[PART" << n << "_SIZE] = {\n";
    for (int i = firstCell; i <= lastCell; ++i) {
        const uint8_t* cell = &image[static_cast<size_t>(i) * GLYPH_CELL_SIZE];
        for (int page = 0; page < 2; ++page) {
            out << "   ";
            for (int b = page * 12; b < page * 12 + 12; ++b) {
                std::snprintf(buf, sizeof buf, " 0x%02X,", cell[b]);
                out << buf;
            }
            if (page == 0) {
                int row = i / GLYPH_CELLS_PER_ROW + 1, col = i % GLYPH_CELLS_PER_ROW + 1;
                std::snprintf(buf, sizeof buf, "  // %02d-%02d %02X%02X", row, col, row + 0x20, col + 0x20);
                out << buf;
            }
            out << "\n";
        }
    }
    out << "};\n"
           "\n"
           "}  // namespace\n"
           "\n"
           "const ImagePart IMAGE_PART" << n << " = {PART" << n << "_FILE_NAME, PART" << n
        << "_SIZE_TEXT, PART" << n << "_SIZE, PART" << n << "_FIRST_CELL, PART" << n
        << "_BYTES};\n";

    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    std::string text = out.str();
    file.write(text.data(), static_cast<std::streamsize>(text.size()));
    file.close();
    if (!file) {
        Fail("cannot write " + path);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: glyphimagegen FONT.bdf OUTDIR\n"
                             "  writes OUTDIR/image_part1.cpp and OUTDIR/image_part2.cpp\n");
        return 2;
    }
    BdfFont font = ReadBdf(argv[1]);
    // The placement is made for a 12-column font box of ascent + descent rows
    // with at least 12 rows; mplus_j12r has FONTBOUNDINGBOX 12 13 0 -2.
    if (font.boxWidth != GLYPH_COLUMNS || font.boxHeight != font.ascent + font.descent ||
        font.boxYoff != -font.descent || font.boxHeight < BOX_ROWS_KEPT) {
        Fail("unexpected FONTBOUNDINGBOX / FONT_ASCENT / FONT_DESCENT");
    }

    std::vector<uint8_t> image(GLYPH_IMAGE_SIZE, 0);
    int glyphs = 0, droppedRows = 0;
    for (int row = 1; row <= GLYPH_ROWS; ++row) {
        for (int col = 1; col <= GLYPH_CELLS_PER_ROW; ++col) {
            if (!IsPopulated(row, col)) {
                continue;
            }
            int jis = (row + 0x20) * 256 + (col + 0x20);
            auto it = font.glyphs.find(jis);
            if (it == font.glyphs.end()) {
                char code[8];
                std::snprintf(code, sizeof code, "%04X", jis);
                Fail(std::string("the font has no glyph for the populated cell ") + code);
            }
            PlaceGlyph(font, it->second, jis,
                       &image[static_cast<size_t>(GlyphCellIndex(row, col)) * GLYPH_CELL_SIZE],
                       &droppedRows);
            ++glyphs;
        }
    }

    std::string fontFile = BaseName(argv[1]);
    WritePart(argv[2], 1, image, fontFile, font.name);
    WritePart(argv[2], 2, image, fontFile, font.name);
    std::printf("glyphimagegen: %d glyphs from %s (%d glyphs in the font); "
                "%d glyphs lost ink in the dropped box row %d\n",
                glyphs, fontFile.c_str(), static_cast<int>(font.glyphs.size()), droppedRows,
                BOX_ROWS_KEPT);
    return 0;
}
