#pragma once
// Pictures in the bitmaps' own 5-5-5 form, for code that paints without GDI.
#include <cstddef>
#include <cstdint>
#include <vector>

// A 16-bit 5-5-5 pixel: bit 15 zero, then five bits each of red, green, blue.
using Pixel555 = uint16_t;

// A picture of 5-5-5 pixels, top row first, each row left to right.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<Pixel555> pixels;

    Picture() = default;
    Picture(int pictureWidth, int pictureHeight, Pixel555 fill)
        : width(pictureWidth), height(pictureHeight),
          pixels(static_cast<size_t>(pictureWidth) * pictureHeight, fill) {}

    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    Pixel555 At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    Pixel555& At(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
};
