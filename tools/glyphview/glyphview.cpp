// glyphview: looks at the built glyph image (both parts, as linked into the
// tools) for the people who maintain the font.
//
//   glyphview 3021        the glyph of JIS code 0x3021 as a 12x12 picture
//   glyphview 16-01       the same, by row-cell
//   glyphview 亜          the same, by character (UTF-8, converted with iconv)
//   glyphview --png sheet.png [--scale N]
//                         the whole image as one PNG sheet: 94 cells a row, one
//                         row per JIS row, a thin grid, row numbers on the left
//
// Linux only (iconv, libpng); not part of any deliverable.
#include <iconv.h>
#include <png.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "image_part.h"

namespace {

const int GLYPH_TOP_ROW = 3;   // the 12x12 glyph box is pixel rows 3-14
const int GLYPH_SIZE = 12;     // and columns 0-11

const uint8_t* CellBytes(int index)
{
    const ImagePart& part = index < PART2_FIRST_CELL ? IMAGE_PART1 : IMAGE_PART2;
    return part.bytes + static_cast<size_t>(index - part.firstCell) * GLYPH_CELL_SIZE;
}

bool Pixel(const uint8_t* cell, int x, int y)
{
    return y < 8 ? (cell[x] >> y) & 1 : (cell[12 + x] >> (y - 8)) & 1;
}

bool IsBlank(const uint8_t* cell)
{
    for (int b = 0; b < GLYPH_CELL_SIZE; ++b) {
        if (cell[b] != 0) {
            return false;
        }
    }
    return true;
}

// Converts one character of UTF-8 text with iconv into a two-byte code of
// the given charset; false when iconv cannot, or gives something else.
bool ConvertOne(const std::string& text, const char* charset, uint8_t out[2])
{
    iconv_t cd = iconv_open(charset, "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return false;
    }
    std::string in = text;
    char* inPtr = &in[0];
    size_t inLeft = in.size();
    char buf[16];
    char* outPtr = buf;
    size_t outLeft = sizeof buf;
    size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    if (rc != static_cast<size_t>(-1)) {
        rc = iconv(cd, nullptr, nullptr, &outPtr, &outLeft);  // flush any shift state
    }
    iconv_close(cd);
    // Exactly one converted character of two bytes, and no lossy substitution.
    if (rc != 0 || inLeft != 0 || sizeof buf - outLeft != 2) {
        return false;
    }
    out[0] = static_cast<uint8_t>(buf[0]);
    out[1] = static_cast<uint8_t>(buf[1]);
    return true;
}

// Shift_JIS (CP932) double-byte code to JIS row and cell.
bool SjisToRowCell(const uint8_t s[2], int* row, int* cell)
{
    int s1 = s[0], s2 = s[1];
    if (!((s1 >= 0x81 && s1 <= 0x9F) || (s1 >= 0xE0 && s1 <= 0xFC))) return false;
    if (s2 < 0x40 || s2 > 0xFC || s2 == 0x7F) return false;
    int r = (s1 <= 0x9F ? s1 - 0x81 : s1 - 0xC1) * 2 + 1;
    int c;
    if (s2 >= 0x9F) {
        r += 1;
        c = s2 - 0x9E;
    } else {
        c = s2 - 0x40 + 1 - (s2 >= 0x80 ? 1 : 0);
    }
    *row = r;
    *cell = c;
    return true;
}

// EUC two-byte code (both bytes 0xA1-0xFE) to JIS row and cell.
bool EucToRowCell(const uint8_t e[2], int* row, int* cell)
{
    if (e[0] < 0xA1 || e[0] > 0xFE || e[1] < 0xA1 || e[1] > 0xFE) return false;
    *row = e[0] - 0xA0;
    *cell = e[1] - 0xA0;
    return true;
}

// A character to its JIS row and cell: CP932 first (rows 1-84 with the NEC
// row 13), then EUC-JP-MS, then EUC-JISX0213 (which also has ゔ, row 4 cell 84,
// that CP932 does not assign).
bool CharToRowCell(const std::string& text, int* row, int* cell)
{
    uint8_t code[2];
    if (ConvertOne(text, "CP932", code) && SjisToRowCell(code, row, cell)) return true;
    if (ConvertOne(text, "EUC-JP-MS", code) && EucToRowCell(code, row, cell)) return true;
    if (ConvertOne(text, "EUC-JISX0213", code) && EucToRowCell(code, row, cell)) return true;
    return false;
}

// JIS row and cell to the character as UTF-8, for the heading; "" if unknown.
// EUC-JISX0213 (for ゔ) only for a cell that holds a glyph: JIS X 0213 fills
// cells that JIS X 0208 and this image leave blank.
std::string RowCellToChar(int row, int cell, bool hasGlyph)
{
    const char* charsets[] = {"CP932", "EUC-JISX0213"};
    for (const char* charset : charsets) {
        if (!hasGlyph && std::strcmp(charset, "CP932") != 0) continue;
        char in[2];
        if (std::strcmp(charset, "CP932") == 0) {
            int r = row, c = cell;
            int s1 = (r - 1) / 2 + (r <= 62 ? 0x81 : 0xC1);
            int s2 = (r % 2) ? c + 0x3F + (c >= 64 ? 1 : 0) : c + 0x9E;
            in[0] = static_cast<char>(s1);
            in[1] = static_cast<char>(s2);
        } else {
            in[0] = static_cast<char>(row + 0xA0);
            in[1] = static_cast<char>(cell + 0xA0);
        }
        iconv_t cd = iconv_open("UTF-8", charset);
        if (cd == reinterpret_cast<iconv_t>(-1)) continue;
        char* inPtr = in;
        size_t inLeft = 2;
        char out[16];
        char* outPtr = out;
        size_t outLeft = sizeof out;
        size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        iconv_close(cd);
        if (rc == 0 && inLeft == 0) {
            return std::string(out, sizeof out - outLeft);
        }
    }
    return "";
}

bool IsHex4(const char* s)
{
    if (std::strlen(s) != 4) return false;
    for (int i = 0; i < 4; ++i) {
        char c = s[i];
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))) return false;
    }
    return true;
}

// Resolves one argument; prints the reason and returns false when it cannot.
bool ParseGlyphArgument(const char* arg, int* row, int* cell)
{
    int r = 0, c = 0;
    if (IsHex4(arg)) {
        unsigned code = static_cast<unsigned>(std::strtoul(arg, nullptr, 16));
        unsigned hi = code >> 8, lo = code & 0xFF;
        if (hi < 0x21 || hi > 0x7E || lo < 0x21 || lo > 0x7E) {
            std::fprintf(stderr, "glyphview: %s: not a JIS X 0208 code (each byte 21-7E)\n", arg);
            return false;
        }
        r = static_cast<int>(hi) - 0x20;
        c = static_cast<int>(lo) - 0x20;
    } else if (std::sscanf(arg, "%d-%d", &r, &c) == 2 && std::strspn(arg, "0123456789-") == std::strlen(arg)) {
        if (r < 1 || r > 94 || c < 1 || c > 94) {
            std::fprintf(stderr, "glyphview: %s: row and cell must be 1-94\n", arg);
            return false;
        }
    } else if (!CharToRowCell(arg, &r, &c)) {
        std::fprintf(stderr, "glyphview: %s: not one JIS X 0208 character (give one character, "
                             "a JIS code like 3021, or row-cell like 16-01)\n", arg);
        return false;
    }
    if (r > GLYPH_ROWS) {
        std::fprintf(stderr, "glyphview: %s: row %d, cell %d is outside the image (rows 1-84)\n", arg, r, c);
        return false;
    }
    *row = r;
    *cell = c;
    return true;
}

void ShowGlyph(int row, int col)
{
    int index = GlyphCellIndex(row, col);
    const uint8_t* cell = CellBytes(index);
    bool part1 = index < PART2_FIRST_CELL;
    int partByte = (index - (part1 ? PART1_FIRST_CELL : PART2_FIRST_CELL)) * GLYPH_CELL_SIZE;
    std::string ch = RowCellToChar(row, col, !IsBlank(cell));
    std::printf("%s%sJIS %02X%02X  row %d, cell %d  index %d  part %d (%s) bytes %d-%d, block %d\n",
                ch.c_str(), ch.empty() ? "" : "  ", row + 0x20, col + 0x20, row, col, index,
                part1 ? 1 : 2, part1 ? PART1_FILE_NAME : PART2_FILE_NAME, partByte,
                partByte + GLYPH_CELL_SIZE - 1, partByte / IMAGE_BLOCK_SIZE + 1);
    for (int page = 0; page < 2; ++page) {
        std::printf("  bytes %2d-%2d:", page * 12, page * 12 + 11);
        for (int b = page * 12; b < page * 12 + 12; ++b) {
            std::printf(" %02X", cell[b]);
        }
        std::printf("\n");
    }
    if (IsBlank(cell)) {
        std::printf("  (blank cell: 24 zero bytes)\n");
    }
    std::printf("     ");
    for (int x = 0; x < GLYPH_SIZE; ++x) {
        std::printf("%2d", x % 10);
    }
    std::printf("\n");
    for (int y = GLYPH_TOP_ROW; y < GLYPH_TOP_ROW + GLYPH_SIZE; ++y) {
        std::printf("  %2d ", y);
        for (int x = 0; x < GLYPH_SIZE; ++x) {
            std::printf("%s", Pixel(cell, x, y) ? "##" : " .");
        }
        std::printf("\n");
    }
    for (int x = 0; x < GLYPH_SIZE; ++x) {
        for (int y : {0, 1, 2, 15}) {
            if (Pixel(cell, x, y)) {
                std::printf("  WARNING: ink outside the glyph box at column %d, pixel row %d\n", x, y);
            }
        }
    }
}

// ---- PNG sheet ----

struct Sheet {
    int width, height;
    std::vector<uint8_t> gray;  // 8-bit gray, row after row
    void Fill(int x0, int y0, int w, int h, uint8_t value)
    {
        for (int y = y0; y < y0 + h; ++y) {
            for (int x = x0; x < x0 + w; ++x) {
                gray[static_cast<size_t>(y) * width + x] = value;
            }
        }
    }
};

// Draws the 12x12 glyph box of cell `index` at (x0, y0), each dot scale x scale.
void DrawGlyph(Sheet& sheet, int index, int x0, int y0, int scale, uint8_t ink)
{
    const uint8_t* cell = CellBytes(index);
    for (int y = 0; y < GLYPH_SIZE; ++y) {
        for (int x = 0; x < GLYPH_SIZE; ++x) {
            if (Pixel(cell, x, GLYPH_TOP_ROW + y)) {
                sheet.Fill(x0 + x * scale, y0 + y * scale, scale, scale, ink);
            }
        }
    }
}

// Draws a number with the image's own full-width digits (row 3, cells 16-25).
void DrawNumber(Sheet& sheet, int number, int x0, int y0, int scale)
{
    std::string digits = std::to_string(number);
    for (size_t i = 0; i < digits.size(); ++i) {
        DrawGlyph(sheet, GlyphCellIndex(3, 16 + (digits[i] - '0')), x0 + static_cast<int>(i) * 9 * scale,
                  y0, scale, 96);
    }
}

bool WritePng(const char* path, int scale)
{
    const uint8_t WHITE = 255, INK = 0, EMPTY = 232, GRID = 200, GRID_TEN = 120;
    const int glyph = GLYPH_SIZE * scale;
    const int pitch = glyph + 1;                 // a one-pixel grid line between cells
    const int left = 2 * 9 * scale + 4 * scale;  // room for the row numbers
    const int top = GLYPH_SIZE * scale + 4 * scale;
    Sheet sheet;
    sheet.width = left + GLYPH_CELLS_PER_ROW * pitch + 1;
    sheet.height = top + GLYPH_ROWS * pitch + 1;
    sheet.gray.assign(static_cast<size_t>(sheet.width) * sheet.height, WHITE);

    for (int c = 0; c <= GLYPH_CELLS_PER_ROW; ++c) {
        sheet.Fill(left + c * pitch, top, 1, GLYPH_ROWS * pitch + 1, c % 10 == 0 ? GRID_TEN : GRID);
    }
    for (int r = 0; r <= GLYPH_ROWS; ++r) {
        sheet.Fill(left, top + r * pitch, GLYPH_CELLS_PER_ROW * pitch + 1, 1, r % 10 == 0 ? GRID_TEN : GRID);
    }
    for (int c = 1; c <= GLYPH_CELLS_PER_ROW; c += 10) {
        DrawNumber(sheet, c, left + (c - 1) * pitch + 1, 2 * scale, scale);
    }
    for (int row = 1; row <= GLYPH_ROWS; ++row) {
        int y0 = top + (row - 1) * pitch + 1;
        DrawNumber(sheet, row, 2 * scale, y0, scale);
        for (int col = 1; col <= GLYPH_CELLS_PER_ROW; ++col) {
            int x0 = left + (col - 1) * pitch + 1;
            int index = GlyphCellIndex(row, col);
            if (IsBlank(CellBytes(index))) {
                sheet.Fill(x0, y0, glyph, glyph, EMPTY);
            } else {
                DrawGlyph(sheet, index, x0, y0, scale, INK);
            }
        }
    }

    FILE* file = std::fopen(path, "wb");
    if (!file) {
        std::fprintf(stderr, "glyphview: cannot create %s: %s\n", path, std::strerror(errno));
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info) {
        png_destroy_write_struct(&png, nullptr);
        std::fclose(file);
        std::fprintf(stderr, "glyphview: libpng initialisation failed\n");
        return false;
    }
    std::vector<png_bytep> rows(sheet.height);
    for (int y = 0; y < sheet.height; ++y) {
        rows[y] = &sheet.gray[static_cast<size_t>(y) * sheet.width];
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        std::fprintf(stderr, "glyphview: writing %s failed\n", path);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, sheet.width, sheet.height, 8, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_text text[1];
    char key[] = "Title";
    char value[] = "Glyph image (JIS X 0208 rows 1-84), glyph box rows 3-14";
    text[0].compression = PNG_TEXT_COMPRESSION_NONE;
    text[0].key = key;
    text[0].text = value;
    text[0].text_length = std::strlen(value);
    png_set_text(png, info, text, 1);
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    if (std::fclose(file) != 0) {
        std::fprintf(stderr, "glyphview: writing %s failed\n", path);
        return false;
    }
    std::printf("glyphview: wrote %s (%d x %d pixels, scale %d)\n", path, sheet.width, sheet.height, scale);
    return true;
}

// Writes one image part as the board's file holds it, e.g. to give a
// simulated board the file it comes from the factory with.
bool WritePart(const char* which, const char* path)
{
    const ImagePart* part = std::strcmp(which, "1") == 0 ? &IMAGE_PART1
                          : std::strcmp(which, "2") == 0 ? &IMAGE_PART2 : nullptr;
    if (part == nullptr) {
        std::fprintf(stderr, "glyphview: there is no image part %s (1 or 2)\n", which);
        return false;
    }
    std::FILE* file = std::fopen(path, "wb");
    bool written = file != nullptr &&
                   std::fwrite(part->bytes, 1, static_cast<size_t>(part->size), file) == static_cast<size_t>(part->size);
    if (file != nullptr && std::fclose(file) != 0) {
        written = false;
    }
    if (!written) {
        std::fprintf(stderr, "glyphview: writing %s failed\n", path);
    }
    return written;
}

void Usage()
{
    std::fprintf(stderr,
                 "usage: glyphview GLYPH...            show glyphs as 12x12 pictures; GLYPH is a JIS\n"
                 "                                     code (3021), row-cell (16-01) or a character (亜)\n"
                 "       glyphview --png FILE [--scale N]  write the whole image as a PNG sheet\n"
                 "                                     (94 cells a row, one row per JIS row; N = 1-8, default 2)\n"
                 "       glyphview --part N FILE       write image part N (1 or 2) as the board's file holds it\n");
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        Usage();
        return argc < 2 ? 2 : 0;
    }
    if (std::strcmp(argv[1], "--png") == 0) {
        int scale = 2;
        if (argc == 5 && std::strcmp(argv[3], "--scale") == 0) {
            scale = std::atoi(argv[4]);
        } else if (argc != 3) {
            Usage();
            return 2;
        }
        if (scale < 1 || scale > 8) {
            Usage();
            return 2;
        }
        return WritePng(argv[2], scale) ? 0 : 1;
    }
    if (std::strcmp(argv[1], "--part") == 0) {
        if (argc != 4) {
            Usage();
            return 2;
        }
        return WritePart(argv[2], argv[3]) ? 0 : 1;
    }
    int status = 0;
    for (int i = 1; i < argc; ++i) {
        int row = 0, cell = 0;
        if (!ParseGlyphArgument(argv[i], &row, &cell)) {
            status = 1;
            continue;
        }
        if (i > 1) {
            std::printf("\n");
        }
        ShowGlyph(row, cell);
    }
    return status;
}
