#include <algorithm>
#include <cmath>
#include <string>
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

// The sources as res/ holds them; the composer's test under Wine reads them too.
PictureSources ResPictureSources() {
    const auto read = [](const char* name) {
        Picture picture;
        EXPECT_TRUE(
            ReadPictureBmp((std::string(ZARVILO_SOURCE_DIR) + "/res/" + name).c_str(), picture))
            << name;
        return picture;
    };
    return {read("digits.bmp"), read("bg_unknown.bmp"), read("bg_positive.bmp"),
            read("bg_negative.bmp"), read("bg_zero.bmp")};
}

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
        EXPECT_EQ(std::tie(read.width, read.pixels), std::tie(width, picture.pixels));
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

// The notification area's small-icon size: 16 pixels per 96 dots per inch,
// rounded half up as the shell's MulDiv rounds, from 16 to 256 pixels.
// And the stroke width there: whole pixels, never wider than the scale.
TEST(TrayIconSize, SmallIconSizeForTheDotsPerInchAndItsStrokeWidth) {
    // clang-format off
    const std::pair<int, int> sizes[] = { // dots per inch, icon size
        {96, 16}, {120, 20}, {144, 24}, {168, 28}, {192, 32}, {216, 36}, {240, 40}, {288, 48},
        {108, 18}, {98, 16}, {99, 17}, {0, 16}, {-96, 16}, {72, 16}, {1536, 256}, {1542, 256},
        {INT32_MAX, 256}};
    // clang-format on
    for (const auto& [dpi, size] : sizes)
        EXPECT_EQ(TrayIconSize(dpi), size) << dpi << " dots per inch";
    const std::pair<int, int> strokes[] = {{16, 1}, {31, 1}, {32, 2}, {47, 2}, {48, 3}, {256, 16}};
    for (const auto& [size, stroke] : strokes)
        EXPECT_EQ(StrokeWidth(size), stroke) << size << " pixels";
}

namespace {

struct Box {
    int left, top, right, bottom; // right and bottom exclusive
};

// The marks of a 16x16 picture: the band's on every picture (the sign, none at
// zero, the degree sign, the C), then the no-reading picture's dots or a
// reading's cells (tens, units, fraction marker). The degree sign and the dots
// are rings, 2x2 and without a hole at 16 pixels.
enum On { Every, NoReading, Reading };
struct Element {
    Box box;
    bool ring;
    On on;
};
constexpr Element Elements[] = {
    {{1, 1, 6, 6}, false, Every},      {{7, 1, 9, 3}, true, Every},
    {{10, 1, 15, 6}, false, Every},    {{2, 10, 4, 12}, true, NoReading},
    {{7, 10, 9, 12}, true, NoReading}, {{12, 10, 14, 12}, true, NoReading},
    {{1, 7, 5, 15}, false, Reading},   {{6, 7, 10, 15}, false, Reading},
    {{10, 7, 15, 15}, false, Reading}};

// In the picture and neither the band's nor the field's colour.
bool IsMark(const Picture& picture, int x, int y) {
    return picture.Contains(x, y) && picture.At(x, y) != picture.At(0, 0) &&
           picture.At(x, y) != picture.At(0, picture.height - 1);
}

bool AllMarks(const Picture& picture, int left, int top, int side) {
    for (int y = top; y < top + side; ++y)
        for (int x = left; x < left + side; ++x)
            if (!IsMark(picture, x, y)) return false;
    return true;
}

// Empty when every mark of picture lies in a square of marks stroke wide and
// no square of marks is wider; else where that fails.
std::string StrokeFault(const Picture& picture, int stroke) {
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            if (AllMarks(picture, x, y, stroke + 1)) return "thicker at " + std::to_string(x);
            bool covered = !IsMark(picture, x, y);
            for (int dy = 0; dy < stroke && !covered; ++dy)
                for (int dx = 0; dx < stroke && !covered; ++dx)
                    covered = AllMarks(picture, x - dx, y - dy, stroke);
            if (!covered) return "thinner at " + std::to_string(x) + "," + std::to_string(y);
        }
    return "";
}

// The same for a ring: the marks are the border, stroke wide, of their box.
std::string RingFault(const Picture& picture, const Box& box, int stroke) {
    for (int y = box.top; y < box.bottom; ++y)
        for (int x = box.left; x < box.right; ++x) {
            const int inside =
                std::min({x - box.left, box.right - 1 - x, y - box.top, box.bottom - 1 - y});
            if (IsMark(picture, x, y) != (inside < stroke))
                return "not a ring at " + std::to_string(x) + "," + std::to_string(y);
        }
    return "";
}

Box MarksBox(const Picture& picture) {
    Box box{picture.width, picture.height, 0, 0};
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            if (IsMark(picture, x, y))
                box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                       std::max(box.bottom, y + 1)};
    return box;
}

// Edges within one pixel of the 16-pixel ones scaled to size.
bool WithinAPixel(const Box& sized, const Box& small, int size) {
    const auto near = [size](int edge, int smallEdge) {
        return std::abs(edge * IconSize - smallEdge * size) <= IconSize;
    };
    return near(sized.left, small.left) && near(sized.top, small.top) &&
           near(sized.right, small.right) && near(sized.bottom, small.bottom);
}

// The picture with the ground (the band's or the field's colour) outside box.
Picture Alone(const Picture& picture, const Box& box) {
    Picture alone = picture;
    for (int y = 0; y < IconSize; ++y)
        for (int x = 0; x < IconSize; ++x)
            if (x < box.left || x >= box.right || y < box.top || y >= box.bottom)
                alone.At(x, y) = picture.At(0, y < 6 ? 0 : IconSize - 1);
    return alone;
}

} // namespace

// Every size the notification area may ask for up to 300%: the picture drawn
// again at that size, its colours, its bands, and each mark's box and strokes.
TEST(PictureAtSizeTest, EverySizeFrom16To48KeepsColoursBoxesAndOneStrokeWidth) {
    const PictureSources sources = ResPictureSources();
    // Every background, every digit in both places, both markers.
    for (double t : {UnknownTemperature, 0.0, -12.5, 34.0, 56.5, -78.0, 90.5, 1.0}) {
        const Picture small = ComposePicture(t, sources);
        const IconPlan plan = PlanPicture(t);
        EXPECT_EQ(ComposePicture(t, sources, IconSize).pixels, small.pixels) << "at 16 as before";
        for (int size = 16; size <= 48; ++size) {
            SCOPED_TRACE(testing::Message() << t << " at " << size);
            const Picture sized = ComposePicture(t, sources, size);
            ASSERT_EQ(sized.width, size);
            ASSERT_EQ(sized.pixels.size(), static_cast<size_t>(size * size));
            for (Pixel555 pixel : sized.pixels)
                ASSERT_NE(std::find(small.pixels.begin(), small.pixels.end(), pixel),
                          small.pixels.end());
            // The band and the field, at the edges where no mark comes.
            int bandRows = 0;
            while (bandRows < size && sized.At(0, bandRows) == small.At(0, 0))
                ++bandRows;
            EXPECT_TRUE(WithinAPixel({0, 0, size, bandRows}, {0, 0, 16, 6}, size)) << bandRows;
            for (int y = 0; y < size; ++y)
                for (int x : {0, size - 1})
                    ASSERT_EQ(sized.At(x, y), small.At(0, y < bandRows ? 0 : 15)) << x << "," << y;

            const bool reading = plan.background != PictureBackground::Unknown;
            for (const auto& [box, ring, on] : Elements) {
                const Picture alone = Alone(small, box);
                const Box smallBox = MarksBox(alone);
                if (on == (reading ? NoReading : Reading) || smallBox.right == 0) continue;
                SCOPED_TRACE(testing::Message() << "mark at " << box.left << "," << box.top);
                Picture aloneSized(size, size, 0);
                DrawPictureAtSize(plan, alone.pixels.data(), size, aloneSized.pixels.data());
                const Box sizedBox = MarksBox(aloneSized);
                EXPECT_TRUE(WithinAPixel(sizedBox, smallBox, size));
                EXPECT_EQ(ring ? RingFault(aloneSized, sizedBox, StrokeWidth(size))
                               : StrokeFault(aloneSized, StrokeWidth(size)),
                          "");
            }
        }
    }
}
