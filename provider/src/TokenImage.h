#pragma once
// The picture of a registration token: its letters drawn in a block font on a light, speckled
// background, each letter at a random height, as PNG bytes (8-bit greyscale). Only letters
// that no one mistakes for another or for a digit are used (no B, G, I, O, Q, S or Z), so a
// person reads the picture right the first time.
//
// Static functions; any thread.

#include <string>

namespace Provider {

class TokenImage {
public:
    // The letters a token's text is drawn from.
    static constexpr const char* ALPHABET = "ACDEFHJKLMNPRTUVWXY";
    // A glyph's size in font pixels, and the gap between two glyphs.
    static constexpr int GLYPH_WIDTH = 5;
    static constexpr int GLYPH_HEIGHT = 7;
    static constexpr int GLYPH_GAP = 2;
    // Font pixels of blank border around the text, and how far a letter may sit lower.
    static constexpr int MARGIN = 2;
    static constexpr int MAX_DROP = 2;
    // Each font pixel becomes a square of this many pixels.
    static constexpr int SCALE = 6;
    // Grey levels of the letters, of the speckles and of the background.
    static constexpr unsigned char INK = 0x20;
    static constexpr unsigned char SPECKLE = 0xa0;
    static constexpr unsigned char PAPER = 0xf0;
    // The longest text drawn, so a picture stays small.
    static constexpr size_t MAX_LETTERS = 12;

    // `text` holds 1 to MAX_LETTERS letters of ALPHABET; anything else throws
    // std::invalid_argument.
    static std::string png(const std::string& text);
    // Whether the font pixel at `row` (0 at the top), `column` of `letter`'s glyph is inked;
    // false outside the glyph or for a letter not in ALPHABET.
    static bool ink(char letter, int row, int column);
};

} // namespace Provider
