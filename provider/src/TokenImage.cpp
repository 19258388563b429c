#include "TokenImage.h"

#include <cstdint>
#include <stdexcept>
#include <vector>

#include <zlib.h>

namespace Provider {

namespace {

// 3x5 glyphs, one row a string.
const char* const GLYPHS[10][5] = {
    {"###", "#.#", "#.#", "#.#", "###"}, {".#.", "##.", ".#.", ".#.", "###"},
    {"###", "..#", "###", "#..", "###"}, {"###", "..#", "###", "..#", "###"},
    {"#.#", "#.#", "###", "..#", "..#"}, {"###", "#..", "###", "..#", "###"},
    {"###", "#..", "###", "#.#", "###"}, {"###", "..#", "..#", "..#", "..#"},
    {"###", "#.#", "###", "#.#", "###"}, {"###", "#.#", "###", "..#", "###"},
};

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

} // namespace

std::string TokenImage::png(const std::string& digits)
{
    for (char c : digits)
        if (c < '0' || c > '9')
            throw std::invalid_argument("token text must be digits");

    // One font pixel of margin around the text and between glyphs.
    const int columns = static_cast<int>(digits.size()) * 4 + 1;
    const int rows = 7;
    const int width = columns * SCALE;
    const int height = rows * SCALE;

    std::string raw;
    raw.reserve(static_cast<size_t>(height) * (width + 1));
    for (int y = 0; y < height; ++y) {
        raw.push_back('\0'); // filter: none
        const int row = y / SCALE - 1;
        for (int x = 0; x < width; ++x) {
            const int column = x / SCALE - 1;
            bool ink = false;
            if (row >= 0 && row < 5 && column >= 0 && column % 4 != 3) {
                const size_t glyph = static_cast<size_t>(column / 4);
                if (glyph < digits.size())
                    ink = GLYPHS[digits[glyph] - '0'][row][column % 4] == '#';
            }
            raw.push_back(static_cast<char>(ink ? 0x20 : 0xf0));
        }
    }

    uLongf packedSize = compressBound(raw.size());
    std::vector<Bytef> packed(packedSize);
    if (compress(packed.data(), &packedSize, reinterpret_cast<const Bytef*>(raw.data()),
                 raw.size()) != Z_OK)
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

} // namespace Provider
