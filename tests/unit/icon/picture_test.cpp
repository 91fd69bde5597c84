#include <cmath>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "fetch/Fetch.h"
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

// The background, with the tens digit (unless No) at column 1, the units
// digit at column 6 and the marker at column 10 laid over rows 7-14.
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
    const double nan = std::numeric_limits<double>::quiet_NaN(),
                 inf = std::numeric_limits<double>::infinity();
    const Pixel555 unknown = 0x1000, zero = 0x2000, plus = 0x3000, minus = 0x4000;
    PictureSources sources{Picture(50, 8, 0), Background(unknown), Background(plus),
                           Background(minus), Background(zero)};
    for (int i = 0; i < 400; ++i)
        sources.digitStrip.pixels[i] = StripPixel(i % 50, i / 50);
    struct Case {
        double t;
        Pixel555 background;
        int tens, units, marker;
    };
    std::vector<Case> cases = {
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
        cases.push_back({tenths / 10.0,
                         tenths > 0   ? plus
                         : tenths < 0 ? minus
                                      : zero,
                         m >= 100 ? m / 100 : No, m / 10 % 10, m % 10 ? Half : Whole});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.t);
        const Picture expected = c.units == No ? Background(c.background)
                                               : Expected(c.background, c.tens, c.units, c.marker);
        EXPECT_EQ(ComposePicture(c.t, sources).pixels, expected.pixels);
    }
}

TEST(LayColourKeyedTest, KeyPixelsKeepTheDestinationAndNothingOutsideIsTouched) {
    Picture source(3, 2, 0);
    // Near-key colours, and the key with bit 15 set, are ordinary colours.
    source.pixels = {Key, 0x7C1E, 0xFC1F, 0x0000, Key, 0x7FFF};
    Picture destination(5, 3, 0x1111);
    LayColourKeyed(destination, 1, 1, source, 0, 0, 3, 2, Key);
    EXPECT_EQ(destination.pixels,
              (std::vector<Pixel555>{0x1111, 0x1111, 0x1111, 0x1111, 0x1111, 0x1111, 0x1111, 0x7C1E,
                                     0xFC1F, 0x1111, 0x1111, 0x0000, 0x1111, 0x7FFF, 0x1111}));
    // Rectangles hanging over either picture's edges are clipped.
    source = Picture(2, 2, 0);
    source.pixels = {0x0001, 0x0002, 0x0003, 0x0004};
    destination = Picture(3, 3, 0x1111);
    LayColourKeyed(destination, -1, -1, source, 0, 0, 3, 3, Key);
    LayColourKeyed(destination, 1, 2, source, 0, 1, 5, 5, Key);
    LayColourKeyed(destination, 2, 2, source, -1, 0, 2, 2, Key); // source column -1 is not read
    EXPECT_EQ(destination.pixels, (std::vector<Pixel555>{0x0004, 0x1111, 0x1111, 0x1111, 0x1111,
                                                         0x1111, 0x1111, 0x0003, 0x0004}));
}

TEST(PictureBmpTest, RoundTripsEveryRowPaddingUpToTheLargestSide) {
    for (int width : {1, 2, 3, 4, MaxBmpSide}) { // rows of 2, 4, 6, 8 bytes: padding 2, 0, 2, 0
        SCOPED_TRACE(width);
        Picture picture(width, 3, 0);
        for (size_t i = 0; i < picture.pixels.size(); ++i)
            picture.pixels[i] = Pixel555(i * 2654435761u >> 17);
        picture.pixels.back() = 0x8001;
        const std::vector<uint8_t> bytes = EncodePictureBmp(picture);
        EXPECT_EQ(bytes.size(), 54u + (width * 2 + 3) / 4 * 4 * 3);
        Picture decoded;
        ASSERT_TRUE(DecodePictureBmp(bytes.data(), bytes.size(), decoded));
        EXPECT_EQ(decoded.width, width);
        EXPECT_EQ(decoded.pixels, picture.pixels);
    }
}

TEST(PictureBmpTest, RefusesOtherFormsAndShortDataLeavingThePictureAlone) {
    const std::vector<uint8_t> good = EncodePictureBmp(Picture(3, 2, 0x1234));
    const struct {
        size_t at, size;
        uint8_t value;
    } spoilt[] = {
        // magic, pixel offset, info header size, width 0, planes, bits per pixel, compression,
        // colour table, top-down rows, wider than the largest side; one byte short, headers cut
        // clang-format off
        {1, 70, 'A'}, {10, 70, 55}, {14, 70, 108}, {18, 70, 0}, {26, 70, 2}, {28, 70, 24},
        {30, 70, 3}, {46, 70, 1}, {25, 70, 0xFF}, {19, 70, 0x10}, {0, 69, 'B'}, {0, 53, 'B'}};
    // clang-format on
    ASSERT_EQ(good.size(), 70u);
    for (const auto& c : spoilt) {
        SCOPED_TRACE(testing::Message() << "byte " << c.at << " of " << c.size);
        std::vector<uint8_t> bytes = good;
        bytes[c.at] = c.value;
        Picture untouched(1, 1, 0x0042);
        EXPECT_FALSE(DecodePictureBmp(bytes.data(), c.size, untouched));
        EXPECT_EQ(untouched.pixels, std::vector<Pixel555>{0x0042});
    }
}

TEST(PictureBmpTest, FilesRoundTripAndMissingOnesFail) {
    ScratchDir dir;
    Picture read;
    EXPECT_TRUE(WritePictureBmp(dir.Path("a.bmp").c_str(), Background(0x0123)));
    EXPECT_TRUE(ReadPictureBmp(dir.Path("a.bmp").c_str(), read));
    EXPECT_EQ(read.pixels, Background(0x0123).pixels);
    EXPECT_FALSE(ReadPictureBmp(dir.Path("none.bmp").c_str(), read));
    EXPECT_FALSE(WritePictureBmp(dir.Path("none/x.bmp").c_str(), read));
}
