#pragma once
// The icon bitmaps written out as pixel art, independently of the generator's
// tables, for the icon tests to check files and pictures against.
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "icon/Picture.h"

namespace icon_art {

constexpr Pixel555 Key = 0x7C1F;
constexpr Pixel555 White = 0x7FFF;
constexpr Pixel555 LightGrey = 0x4E73;
constexpr Pixel555 DarkGrey = 0x2D6B;
constexpr Pixel555 Red = 0x7464;
constexpr Pixel555 DarkRed = 0x4C22;
constexpr Pixel555 LightBlue = 0x2239;
constexpr Pixel555 DarkBlue = 0x18D2;

// The digit strip, one cell per glyph: digits 0-9, half marker, whole marker.
inline const char* const StripRows[8] = {
    ".##. ..#. ###. ###. #..# #### .### #### .##. .##. ..... .....",
    "#..# .##. ...# ...# #..# #... #... ...# #..# #..# ..... .....",
    "#..# #.#. ...# ...# #..# #... #... ...# #..# #..# ..### ...#.",
    "#..# ..#. ...# .##. #### ###. ###. ..#. .##. #..# ..#.. ..#.#",
    "#..# ..#. ..#. ...# ...# ...# #..# .#.. #..# .### ..##. ..#.#",
    "#..# ..#. .#.. ...# ...# ...# #..# #... #..# ...# ....# ..#.#",
    "#..# ..#. #... ...# ...# ...# #..# #... #..# ...# ....# ..#.#",
    ".##. .##. ###. ###. ...# ###. .##. #... .##. ###. #.##. #..#.",
};

constexpr int HalfMarker = 10;
constexpr int WholeMarker = 11;

// Backgrounds: b the top band, f the lower field, # white.
inline const char* const UnknownRows[16] = {
    "bbbbbbbbbbbbbbbb", "bbbbbbb##bb####b", "bbbbbbb##b#bbbbb", "bbbbbbbbbb#bbbbb",
    "bbbbbbbbbb#bbbbb", "bbbbbbbbbbb####b", "ffffffffffffffff", "ffffffffffffffff",
    "ffffffffffffffff", "ffffffffffffffff", "ff##fff##fff##ff", "ff##fff##fff##ff",
    "ffffffffffffffff", "ffffffffffffffff", "ffffffffffffffff", "ffffffffffffffff",
};
inline const char* const PositiveRows[16] = {
    "bbbbbbbbbbbbbbbb", "bbb#bbb##bb####b", "bbb#bbb##b#bbbbb", "b#####bbbb#bbbbb",
    "bbb#bbbbbb#bbbbb", "bbb#bbbbbbb####b", "ffffffffffffffff", "ffffffffffffffff",
    "ffffffffffffffff", "ffffffffffffffff", "ffffffffffffffff", "ffffffffffffffff",
    "ffffffffffffffff", "ffffffffffffffff", "ffffffffffffffff", "ffffffffffffffff",
};
inline const char* const NegativeRows[16] = {
    "bbbbbbbbbbbbbbbb", "bbbbbbb##bb####b", "bbbbbbb##b#bbbbb", "b#####bbbb#bbbbb",
    "bbbbbbbbbb#bbbbb", "bbbbbbbbbbb####b", "ffffffffffffffff", "ffffffffffffffff",
    "ffffffffffffffff", "ffffffffffffffff", "ffffffffffffffff", "ffffffffffffffff",
    "ffffffffffffffff", "ffffffffffffffff", "ffffffffffffffff", "ffffffffffffffff",
};
inline const char* const ZeroRows[16] = {
    "bbbbbbbbbbbbbbbb", "bbbbbbb##bb####b", "bbbbbbb##b#bbbbb", "bbbbbbbbbb#bbbbb",
    "bbbbbbbbbb#bbbbb", "bbbbbbbbbbb####b", "ffffffffffffffff", "ffffffffffffffff",
    "ffffffffffffffff", "ffffffffffffffff", "ffffffffffffffff", "ffffffffffffffff",
    "ffffffffffffffff", "ffffffffffffffff", "ffffffffffffffff", "ffffffffffffffff",
};

struct BackgroundArt {
    const char* const* rows;
    Pixel555 band;
    Pixel555 field;
};

inline const BackgroundArt Unknown{UnknownRows, LightGrey, DarkGrey};
inline const BackgroundArt Positive{PositiveRows, Red, DarkRed};
inline const BackgroundArt Negative{NegativeRows, LightBlue, DarkBlue};
inline const BackgroundArt Zero{ZeroRows, LightGrey, DarkGrey};

inline int ArtWidth(const char* row) {
    int width = 0;
    for (const char* c = row; *c != '\0'; ++c)
        width += *c != '|';
    return width;
}

// Row art with b, f and # (separators | ignored) in the colours of a background.
inline Picture Paint(const char* const* rows, int height, const BackgroundArt& colours) {
    Picture picture(ArtWidth(rows[0]), height, 0);
    for (int y = 0; y < height; ++y) {
        int x = 0;
        for (const char* c = rows[y]; *c != '\0'; ++c) {
            if (*c == '|') continue;
            picture.At(x++, y) = *c == '#' ? White : *c == 'b' ? colours.band : colours.field;
        }
    }
    return picture;
}

inline Picture Background(const BackgroundArt& art) {
    return Paint(art.rows, 16, art);
}

// One row of one strip cell, e.g. Cell(3, 7) is the digit 3's bottom row.
inline std::string Cell(int glyph, int row) {
    const char* text = StripRows[row];
    for (int skip = glyph; skip > 0; --skip)
        text = std::strchr(text, ' ') + 1;
    const char* end = std::strchr(text, ' ');
    return end ? std::string(text, end) : std::string(text);
}

inline Picture Strip() {
    Picture strip(50, 8, 0);
    for (int y = 0; y < 8; ++y) {
        int x = 0;
        for (const char* c = StripRows[y]; *c != '\0'; ++c)
            if (*c != ' ') strip.At(x++, y) = *c == '#' ? White : Key;
    }
    return strip;
}

// The icon a temperature should give: the background with the white pixels of
// the tens digit (none when tens < 0), the units digit and the marker at rows
// 7-14, columns 1, 6 and 10.
inline Picture Icon(const BackgroundArt& art, int tens, int units, int marker) {
    Picture icon = Background(art);
    const int glyphs[3] = {tens, units, marker}, lefts[3] = {1, 6, 10};
    for (int g = 0; g < 3; ++g) {
        if (glyphs[g] < 0) continue;
        for (int row = 0; row < 8; ++row) {
            const std::string slice = Cell(glyphs[g], row);
            for (size_t i = 0; i < slice.size(); ++i)
                if (slice[i] == '#') icon.At(lefts[g] + static_cast<int>(i), 7 + row) = White;
        }
    }
    return icon;
}

// Same size and every pixel equal; names the first pixels that differ.
inline ::testing::AssertionResult SamePixels(const Picture& actual, const Picture& expected) {
    if (actual.width != expected.width || actual.height != expected.height)
        return ::testing::AssertionFailure()
               << actual.width << "x" << actual.height << " instead of " << expected.width << "x"
               << expected.height;
    int differences = 0;
    ::testing::AssertionResult result = ::testing::AssertionFailure();
    for (int y = 0; y < expected.height; ++y)
        for (int x = 0; x < expected.width; ++x)
            if (actual.At(x, y) != expected.At(x, y) && ++differences <= 8)
                result << "(" << x << "," << y << ") is 0x" << std::hex << actual.At(x, y)
                       << " not 0x" << expected.At(x, y) << std::dec << "; ";
    if (differences == 0) return ::testing::AssertionSuccess();
    return result << differences << " pixels differ";
}

} // namespace icon_art
