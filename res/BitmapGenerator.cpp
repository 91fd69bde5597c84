// zarvilo-make-bitmaps: draws the program's six bitmaps from the tables below.
//   zarvilo-make-bitmaps DIR                      writes them into DIR
//   zarvilo-make-bitmaps --verify DIR             fails when DIR's differ
//   zarvilo-make-bitmaps --icon-sample TEMP FILE  writes the icon for TEMP
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "icon/PictureBmp.h"
#include "icon/PictureRule.h"

namespace {

constexpr Pixel555 White = 0x7FFF;

constexpr int StripWidth = 50;

// Glyphs of the strip, top row first; # is white, anything else the key.
const char* const DigitArt[10][GlyphHeight] = {
    {".##.", "#..#", "#..#", "#..#", "#..#", "#..#", "#..#", ".##."},
    {"..#.", ".##.", "#.#.", "..#.", "..#.", "..#.", "..#.", ".##."},
    {"###.", "...#", "...#", "...#", "..#.", ".#..", "#...", "###."},
    {"###.", "...#", "...#", ".##.", "...#", "...#", "...#", "###."},
    {"#..#", "#..#", "#..#", "####", "...#", "...#", "...#", "...#"},
    {"####", "#...", "#...", "###.", "...#", "...#", "...#", "###."},
    {".###", "#...", "#...", "###.", "#..#", "#..#", "#..#", ".##."},
    {"####", "...#", "...#", "..#.", ".#..", "#...", "#...", "#..."},
    {".##.", "#..#", "#..#", ".##.", "#..#", "#..#", "#..#", ".##."},
    {".##.", "#..#", "#..#", "#..#", ".###", "...#", "...#", "###."},
};
// Decimal point, a gap, then a small 5 (half) or 0 (whole).
const char* const MarkerArt[2][GlyphHeight] = {
    {".....", ".....", "..###", "..#..", "..##.", "....#", "....#", "#.##."},
    {".....", ".....", "...#.", "..#.#", "..#.#", "..#.#", "..#.#", "#..#."},
};

void DrawArt(Picture& picture, int left, const char* const art[GlyphHeight]) {
    for (int y = 0; y < GlyphHeight; ++y)
        for (int x = 0; art[y][x] != '\0'; ++x)
            if (art[y][x] == '#') picture.At(left + x, y) = White;
}

Picture MakeDigitStrip() {
    Picture strip(StripWidth, GlyphHeight, KeyColour555);
    for (int digit = 0; digit < 10; ++digit)
        DrawArt(strip, 4 * digit, DigitArt[digit]);
    DrawArt(strip, 40, MarkerArt[0]);
    DrawArt(strip, 45, MarkerArt[1]);
    return strip;
}

void FillRect(Picture& picture, int left, int top, int width, int height, Pixel555 colour) {
    for (int y = top; y < top + height; ++y)
        for (int x = left; x < left + width; ++x)
            picture.At(x, y) = colour;
}

enum class Sign { None, Plus, Minus };

// No reading and zero share light and dark grey.
constexpr Pixel555 GreyBand = 0x4E73;
constexpr Pixel555 GreyField = 0x2D6B;

// Top band in the light shade, lower field in the dark one, °C at top right.
Picture MakeBackground(Pixel555 band, Pixel555 field, Sign sign) {
    Picture picture(IconSize, IconSize, field);
    FillRect(picture, 0, 0, IconSize, 6, band);
    FillRect(picture, 7, 1, 2, 2, White);
    FillRect(picture, 11, 1, 4, 1, White);
    FillRect(picture, 10, 2, 1, 3, White);
    FillRect(picture, 11, 5, 4, 1, White);
    if (sign != Sign::None) FillRect(picture, 1, 3, 5, 1, White);
    if (sign == Sign::Plus) FillRect(picture, 3, 1, 1, 5, White);
    return picture;
}

Picture MakeUnknownBackground() {
    Picture picture = MakeBackground(GreyBand, GreyField, Sign::None);
    for (int left : {2, 7, 12})
        FillRect(picture, left, 10, 2, 2, White);
    return picture;
}

// Logo: a large white t and a degree sign on a blue rounded square.
constexpr int LogoSize = 48;
constexpr Pixel555 LogoFrame = 0x6318;

bool InRing(int x, int y, double centreX, double centreY, double inner, double outer) {
    const double dx = x + 0.5 - centreX, dy = y + 0.5 - centreY;
    const double distanceSquared = dx * dx + dy * dy;
    return distanceSquared >= inner * inner && distanceSquared < outer * outer;
}

bool InRoundedSquare(int x, int y) {
    constexpr double radius = 7.0, low = 1 + radius, high = LogoSize - 1 - radius;
    const double cx = x + 0.5 < low ? low : (x + 0.5 > high ? high : x + 0.5);
    const double cy = y + 0.5 < low ? low : (y + 0.5 > high ? high : y + 0.5);
    return InRing(x, y, cx, cy, 0.0, radius) && x >= 1 && y >= 1 && x < LogoSize - 1 &&
           y < LogoSize - 1;
}

bool InLetterT(int x, int y) {
    const bool stem = x >= 12 && x < 19 && y >= 6 && y < 32;
    const bool bar = x >= 6 && x < 29 && y >= 14 && y < 20;
    const bool foot = y >= 32 && x < 25 && InRing(x, y, 25.0, 32.0, 6.0, 13.0);
    const bool tail = x >= 25 && x < 32 && y >= 38 && y < 45;
    return stem || bar || foot || tail;
}

Pixel555 Rgb555(int red, int green, int blue) {
    return static_cast<Pixel555>(red << 10 | green << 5 | blue);
}

Pixel555 LogoPixel(int x, int y) {
    if (InLetterT(x, y) || InRing(x, y, 36.5, 11.5, 3.0, 6.5)) return White;
    // A shadow one pixel down and right lifts the marks off the ground.
    if (InLetterT(x - 1, y - 1) || InRing(x - 1, y - 1, 36.5, 11.5, 3.0, 6.5))
        return Rgb555(3, 3, 12);
    // Ground: light blue at the top shading to dark blue at the bottom.
    if (InRoundedSquare(x, y)) return Rgb555(8 - y / 8, 17 - y * 11 / 47, 25 - y * 7 / 47);
    return LogoFrame;
}

Picture MakeLogo() {
    Picture logo(LogoSize, LogoSize, 0);
    for (int y = 0; y < LogoSize; ++y)
        for (int x = 0; x < LogoSize; ++x)
            logo.At(x, y) = LogoPixel(x, y);
    return logo;
}

struct BitmapFile {
    const char* name;
    Picture picture;
};

std::vector<BitmapFile> MakeAllBitmaps() {
    return {
        {"digits.bmp", MakeDigitStrip()},
        {"bg_unknown.bmp", MakeUnknownBackground()},
        {"bg_positive.bmp", MakeBackground(0x7464 /* red */, 0x4C22 /* dark red */, Sign::Plus)},
        {"bg_negative.bmp",
         MakeBackground(0x2239 /* light blue */, 0x18D2 /* dark blue */, Sign::Minus)},
        {"bg_zero.bmp", MakeBackground(GreyBand, GreyField, Sign::None)},
        {"logo.bmp", MakeLogo()},
    };
}

std::string PathIn(const char* directory, const char* name) {
    return std::string(directory) + "/" + name;
}

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
    std::vector<uint8_t> bytes;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return bytes;
    for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file))
        bytes.push_back(static_cast<uint8_t>(c));
    std::fclose(file);
    return bytes;
}

int WriteAll(const char* directory) {
    for (const BitmapFile& bitmap : MakeAllBitmaps()) {
        const std::string path = PathIn(directory, bitmap.name);
        if (!WritePictureBmp(path.c_str(), bitmap.picture)) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}

int VerifyAll(const char* directory) {
    int status = 0;
    for (const BitmapFile& bitmap : MakeAllBitmaps()) {
        const std::string path = PathIn(directory, bitmap.name);
        if (ReadWholeFile(path) != EncodePictureBmp(bitmap.picture)) {
            std::fprintf(stderr, "%s differs from what this tool draws\n", path.c_str());
            status = 1;
        }
    }
    return status;
}

int WriteIconSample(const char* temperatureText, const char* path) {
    char* end = nullptr;
    const double temperature = std::strtod(temperatureText, &end);
    if (end == temperatureText || *end != '\0') {
        std::fprintf(stderr, "not a temperature: %s\n", temperatureText);
        return 2;
    }
    std::vector<BitmapFile> bitmaps = MakeAllBitmaps();
    const PictureSources sources{bitmaps[0].picture, bitmaps[1].picture, bitmaps[2].picture,
                                 bitmaps[3].picture, bitmaps[4].picture};
    if (WritePictureBmp(path, ComposePicture(temperature, sources))) return 0;
    std::fprintf(stderr, "cannot write %s\n", path);
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && argv[1][0] != '-') return WriteAll(argv[1]);
    if (argc == 3 && std::strcmp(argv[1], "--verify") == 0) return VerifyAll(argv[2]);
    if (argc == 4 && std::strcmp(argv[1], "--icon-sample") == 0)
        return WriteIconSample(argv[2], argv[3]);
    std::fprintf(stderr, "usage: zarvilo-make-bitmaps DIR | --verify DIR | "
                         "--icon-sample TEMPERATURE FILE\n");
    return 2;
}
