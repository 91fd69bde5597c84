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

// Backgrounds: b the top band (rows 0-5), f the lower field (rows 6-15),
// # white.
inline const char* const PlainTop[6] = {
    "bbbbbbbbbbbbbbbb", "bbbbbbb##bb####b", "bbbbbbb##b#bbbbb",
    "bbbbbbbbbb#bbbbb", "bbbbbbbbbb#bbbbb", "bbbbbbbbbbb####b",
};
inline const char* const PlusTop[6] = {
    "bbbbbbbbbbbbbbbb", "bbb#bbb##bb####b", "bbb#bbb##b#bbbbb",
    "b#####bbbb#bbbbb", "bbb#bbbbbb#bbbbb", "bbb#bbbbbbb####b",
};
inline const char* const MinusTop[6] = {
    "bbbbbbbbbbbbbbbb", "bbbbbbb##bb####b", "bbbbbbb##b#bbbbb",
    "b#####bbbb#bbbbb", "bbbbbbbbbb#bbbbb", "bbbbbbbbbbb####b",
};
inline const char* const PlainField = "ffffffffffffffff";
inline const char* const EllipsisField = "ff##fff##fff##ff";

struct BackgroundArt {
    const char* const* top;
    bool ellipsis;
    Pixel555 band;
    Pixel555 field;

    const char* Row(int y) const {
        if (y < 6) return top[y];
        return ellipsis && (y == 10 || y == 11) ? EllipsisField : PlainField;
    }
};

// Colours as their red, green and blue fields.
constexpr Pixel555 Rgb(int red, int green, int blue) {
    return static_cast<Pixel555>(red << 10 | green << 5 | blue);
}

inline const BackgroundArt Unknown{PlainTop, true, Rgb(19, 19, 19), Rgb(11, 11, 11)};
inline const BackgroundArt Positive{PlusTop, false, Rgb(29, 3, 4), Rgb(19, 1, 2)};
inline const BackgroundArt Negative{MinusTop, false, Rgb(8, 17, 25), Rgb(6, 6, 18)};
inline const BackgroundArt Zero{PlainTop, false, Rgb(19, 19, 19), Rgb(11, 11, 11)};

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
    const char* rows[16];
    for (int y = 0; y < 16; ++y)
        rows[y] = art.Row(y);
    return Paint(rows, 16, art);
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
