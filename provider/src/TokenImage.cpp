#include "TokenImage.h"

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <vector>

#include <zlib.h>

#include "SecureRandom.h"

namespace Provider {

namespace {

// 5x7 glyphs of ALPHABET, in its order, one row a string.
const char* const GLYPHS[][TokenImage::GLYPH_HEIGHT] = {
    {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}, // A
    {".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."}, // C
    {"####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."}, // D
    {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}, // E
    {"#####", "#....", "#....", "####.", "#....", "#....", "#...."}, // F
    {"#...#", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}, // H
    {"..###", "...#.", "...#.", "...#.", "...#.", "#..#.", ".##.."}, // J
    {"#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"}, // K
    {"#....", "#....", "#....", "#....", "#....", "#....", "#####"}, // L
    {"#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"}, // M
    {"#...#", "#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#"}, // N
    {"####.", "#...#", "#...#", "####.", "#....", "#....", "#...."}, // P
    {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"}, // R
    {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."}, // T
    {"#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}, // U
    {"#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."}, // V
    {"#...#", "#...#", "#...#", "#.#.#", "#.#.#", "#.#.#", ".#.#."}, // W
    {"#...#", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", "#...#"}, // X
    {"#...#", "#...#", ".#.#.", "..#..", "..#..", "..#..", "..#.."}, // Y
};
static_assert(sizeof GLYPHS / sizeof GLYPHS[0] ==
                  std::char_traits<char>::length(TokenImage::ALPHABET),
              "one glyph for each letter");

// One speckle in this many pixels of paper.
const unsigned SPECKLE_ODDS = 24;

const char* const* glyphOf(char letter)
{
    const char* found = letter ? std::strchr(TokenImage::ALPHABET, letter) : nullptr;
    return found ? GLYPHS[found - TokenImage::ALPHABET] : nullptr;
}

void putUint32(std::string& out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<char>((value >> shift) & 0xff));
}

void putChunk(std::string& out, const char* type, const std::string& data)
{
    putUint32(out, static_cast<uint32_t>(data.size()));
    const std::string body = std::string(type, 4) + data;
    out += body;
    putUint32(out, static_cast<uint32_t>(
                       crc32(0, reinterpret_cast<const Bytef*>(body.data()), body.size())));
}

// The PNG file of 8-bit grey `rows`, each starting with its filter byte.
std::string encode(const std::string& rows, int width, int height)
{
    uLongf packedSize = compressBound(rows.size());
    std::vector<Bytef> packed(packedSize);
    if (compress(packed.data(), &packedSize, reinterpret_cast<const Bytef*>(rows.data()),
                 rows.size()) != Z_OK)
        throw std::runtime_error("Could not compress token image");

    std::string out("\x89PNG\r\n\x1a\n", 8);
    std::string header;
    putUint32(header, static_cast<uint32_t>(width));
    putUint32(header, static_cast<uint32_t>(height));
    header += std::string("\x08\x00\x00\x00\x00", 5); // 8-bit greyscale, no interlace
    putChunk(out, "IHDR", header);
    putChunk(out, "IDAT", std::string(reinterpret_cast<const char*>(packed.data()), packedSize));
    putChunk(out, "IEND", std::string());
    return out;
}

} // namespace

bool TokenImage::ink(char letter, int row, int column)
{
    const char* const* glyph = glyphOf(letter);
    return glyph && row >= 0 && row < GLYPH_HEIGHT && column >= 0 && column < GLYPH_WIDTH &&
           glyph[row][column] == '#';
}

std::string TokenImage::png(const std::string& text)
{
    if (text.empty() || text.size() > MAX_LETTERS)
        throw std::invalid_argument("a token's text has 1 to " + std::to_string(MAX_LETTERS) +
                                    " letters");
    for (char c : text)
        if (!glyphOf(c))
            throw std::invalid_argument("a token's text holds only letters of its alphabet");

    const int letters = static_cast<int>(text.size());
    const int columns = 2 * MARGIN + letters * (GLYPH_WIDTH + GLYPH_GAP) - GLYPH_GAP;
    const int rows = 2 * MARGIN + GLYPH_HEIGHT + MAX_DROP;
    const int width = columns * SCALE;
    const int height = rows * SCALE;

    // How far each letter sits below the top line, and where the speckles go.
    std::vector<unsigned char> drops(text.size());
    SecureRandom::fill(drops.data(), drops.size());
    std::vector<unsigned char> noise(static_cast<size_t>(width) * height);
    SecureRandom::fill(noise.data(), noise.size());

    std::string raw;
    raw.reserve(static_cast<size_t>(height) * (width + 1));
    for (int y = 0; y < height; ++y) {
        raw.push_back('\0'); // filter: none
        for (int x = 0; x < width; ++x) {
            const int column = x / SCALE - MARGIN;
            const int cell = column / (GLYPH_WIDTH + GLYPH_GAP);
            bool inked = false;
            if (column >= 0 && cell < letters) {
                const int drop = drops[static_cast<size_t>(cell)] % (MAX_DROP + 1);
                inked = ink(text[static_cast<size_t>(cell)], y / SCALE - MARGIN - drop,
                            column % (GLYPH_WIDTH + GLYPH_GAP));
            }
            const bool speckled = noise[static_cast<size_t>(y) * width + x] % SPECKLE_ODDS == 0;
            raw.push_back(static_cast<char>(inked ? INK : speckled ? SPECKLE : PAPER));
        }
    }
    return encode(raw, width, height);
}

} // namespace Provider
