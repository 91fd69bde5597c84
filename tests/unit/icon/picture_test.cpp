#include <cmath>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "base/Reading.h"
#include "icon/PictureBmp.h"
#include "icon/PictureRule.h"
#include "tests/support/ScratchDir.h"

namespace {

constexpr Pixel555 Key = 0x7C1F;
constexpr int No = -1, Half = 40, Whole = 45; // strip columns of the two markers

// Sources whose every pixel tells where it came from: each background counts
// up from its own base; each strip pixel holds its column and row, except that
// every third one is the key colour.
Picture Background(Pixel555 base) {
    Picture picture(16, 16, 0);
    for (int i = 0; i < 256; ++i)
        picture.pixels[i] = Pixel555(base + i);
    return picture;
}
Pixel555 StripPixel(int x, int y) {
    return (x + y) % 3 == 0 ? Key : Pixel555(x << 3 | y);
}

// The background, with the tens digit at column 1, the units digit at column
// 6 and the marker at column 10 laid over rows 7-14, each unless No.
Picture Expected(Pixel555 base, int tens, int units, int markerLeft) {
    Picture picture = Background(base);
    const int cells[3][3] = {{tens * 4, 4, 1}, {units * 4, 4, 6}, {markerLeft, 5, 10}};
    for (const auto& [stripLeft, width, iconLeft] : cells)
        for (int y = 0; y < 8 && stripLeft >= 0; ++y)
            for (int x = 0; x < width; ++x)
                if (StripPixel(stripLeft + x, y) != Key)
                    picture.At(iconLeft + x, 7 + y) = StripPixel(stripLeft + x, y);
    return picture;
}

} // namespace

TEST(PictureRuleTest, BackgroundAndGlyphsForEachTemperature) {
    const double nan = std::nan(""), inf = HUGE_VAL;
    const Pixel555 unknown = 0x1000, zero = 0x2000, plus = 0x3000, minus = 0x4000;
    PictureSources sources{Picture(50, 8, 0), Background(unknown), Background(plus),
                           Background(minus), Background(zero)};
    for (int i = 0; i < 400; ++i)
        sources.digitStrip.pixels[i] = StripPixel(i % 50, i / 50);
    std::vector<std::tuple<double, Pixel555, int, int, int>> cases = {
        // clang-format off
        {UnknownTemperature, unknown, No, No, No}, {nan, unknown, No, No, No},
        {-nan, unknown, No, No, No}, {-0.0, zero, No, 0, Whole}, {5.0000001, plus, No, 5, Half},
        {1e-300, plus, No, 0, Half}, {-5.05, minus, No, 5, Half},
        // The product m * 0.1 rounds up to 10 here; the tens digit stays 9.
        {std::nextafter(100.0, 0.0), plus, 9, 9, Half},
        // From 100 on the strip has no digits: the sign's background stands alone.
        {100.0, plus, No, No, No}, {1e300, plus, No, No, No}, {inf, plus, No, No, No},
        {-272.9, minus, No, No, No}, {-100.0, minus, No, No, No}, {-inf, minus, No, No, No}};
    // clang-format on
    for (int tenths = -999; tenths <= 999; ++tenths) { // every value written with one decimal
        const int m = std::abs(tenths);
        const Pixel555 sign[] = {minus, zero, plus};
        cases.push_back({tenths / 10.0, sign[(tenths > 0) - (tenths < 0) + 1],
                         m >= 100 ? m / 100 : No, m / 10 % 10, m % 10 ? Half : Whole});
    }
    for (const auto& [t, background, tens, units, marker] : cases)
        EXPECT_EQ(ComposePicture(t, sources).pixels,
                  Expected(background, tens, units, marker).pixels)
            << t;
}

// Near-key colours, and the key with bit 15 set, are ordinary colours;
// rectangles hanging over either picture's edges are clipped.
TEST(LayColourKeyedTest, KeyPixelsKeepTheDestinationAndNothingOutsideIsTouched) {
    Picture source(3, 2, 0), destination(4, 4, 0x1111);
    source.pixels = {Key, 0x7C1E, 0xFC1F, 0x0000, Key, 0x7FFF};
    LayColourKeyed(destination, 1, 1, source, 0, 0, 3, 2, Key);
    LayColourKeyed(destination, -1, 3, source, 0, 0, 9, 9, Key);
    LayColourKeyed(destination, 3, -1, source, 2, 0, 5, 5, Key);
    LayColourKeyed(destination, 0, 0, source, -1, 1, 2, 1, Key); // source column -1 is not read
    // clang-format off
    EXPECT_EQ(destination.pixels, (std::vector<Pixel555>{
        0x1111, 0x0000, 0x1111, 0x7FFF,
        0x1111, 0x1111, 0x7C1E, 0xFC1F,
        0x1111, 0x0000, 0x1111, 0x7FFF,
        0x7C1E, 0xFC1F, 0x1111, 0x1111}));
    // clang-format on
}

// Rows of 2, 4, 6 and 8 bytes (padding 2, 0, 2, 0) up to the largest side,
// through a file that is read in several pieces.
TEST(PictureBmpTest, RoundTripsEveryRowPaddingUpToTheLargestSide) {
    ScratchDir dir;
    const std::string file = dir.Path("a.bmp");
    for (int width : {1, 2, 3, 4, MaxBmpSide}) {
        SCOPED_TRACE(width);
        Picture picture(width, 3, 0), read;
        for (size_t i = 0; i < picture.pixels.size(); ++i)
            picture.pixels[i] = Pixel555((i * 2654435761u >> 17) | (i % 2) << 15);
        EXPECT_EQ(EncodePictureBmp(picture).size(), 54u + (width * 2 + 3) / 4 * 4 * 3);
        EXPECT_TRUE(WritePictureBmp(file.c_str(), picture));
        ASSERT_TRUE(ReadPictureBmp(file.c_str(), read));
        EXPECT_EQ(read.width, width);
        EXPECT_EQ(read.pixels, picture.pixels);
    }
    Picture none;
    EXPECT_FALSE(ReadPictureBmp(dir.Path("none.bmp").c_str(), none));
    EXPECT_FALSE(WritePictureBmp(dir.Path("none/x.bmp").c_str(), none));
}

TEST(PictureBmpTest, RefusesOtherFormsAndShortDataLeavingThePictureAlone) {
    const std::vector<uint8_t> good = EncodePictureBmp(Picture(3, 2, 0x1234));
    ASSERT_EQ(good.size(), 70u);
    // Magic, pixel offset, info header size, width 0, planes, bits per pixel, compression, colour
    // table, top-down rows, wider than the largest side; one byte short, the headers cut.
    const std::tuple<size_t, uint8_t, size_t> spoilt[] = {
        {0, 'b', 70}, {10, 55, 70}, {14, 108, 70},  {18, 0, 70},    {26, 2, 70},  {28, 24, 70},
        {30, 3, 70},  {46, 1, 70},  {25, 0xFF, 70}, {19, 0x10, 70}, {0, 'B', 69}, {0, 'B', 53}};
    for (const auto& [at, value, size] : spoilt) {
        SCOPED_TRACE(testing::Message() << "byte " << at << " of " << size);
        std::vector<uint8_t> bytes = good;
        bytes[at] = value;
        Picture untouched(1, 1, 0x0042);
        EXPECT_FALSE(DecodePictureBmp(bytes.data(), size, untouched));
        EXPECT_EQ(untouched.pixels, std::vector<Pixel555>{0x0042});
    }
}

// The icon's size for the display scale: 16 pixels per 96 dots per inch,
// rounded up to whole multiples of the 16x16 picture.
TEST(TrayIconSize, WholeMultiplesAtOrAboveTheShellsSize) {
    // clang-format off
    const std::pair<int, int> cases[] = { // dots per inch, icon size
        {96, 16}, {120, 32}, {144, 32}, {168, 32}, {192, 32}, {216, 48}, {288, 48}, {384, 64},
        {99, 32}, {98, 16}, {0, 16}, {-96, 16}, {72, 16}, {100000, 256}, {INT32_MAX, 256}};
    // clang-format on
    for (const auto& [dpi, size] : cases)
        EXPECT_EQ(TrayIconSize(dpi), size) << dpi << " dots per inch";
}
