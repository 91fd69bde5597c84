#include "icon/PictureRule.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "fetch/Fetch.h"
#include "icon_art.h"

namespace {

using icon_art::Icon;
using icon_art::SamePixels;

constexpr int None = -1;
constexpr int Half = icon_art::HalfMarker;
constexpr int Whole = icon_art::WholeMarker;
constexpr double Infinity = std::numeric_limits<double>::infinity();
constexpr double NotANumber = std::numeric_limits<double>::quiet_NaN();

const PictureSources& ArtSources() {
    static const PictureSources sources{icon_art::Strip(), icon_art::Background(icon_art::Unknown),
                                        icon_art::Background(icon_art::Positive),
                                        icon_art::Background(icon_art::Negative),
                                        icon_art::Background(icon_art::Zero)};
    return sources;
}

Picture Compose(double temperature) {
    return ComposePicture(temperature, ArtSources());
}

} // namespace

TEST(PictureRuleTest, MinusTwelveAndAHalfIsTheWrittenIcon) {
    const char* const rows[16] = {
        "bbbbbbbbbbbbbbbb",      "bbbbbbb##bb####b",      "bbbbbbb##b#bbbbb",
        "b#####bbbb#bbbbb",      "bbbbbbbbbb#bbbbb",      "bbbbbbbbbbb####b",
        "ffffffffffffffff",      "f|ff#f|f|###f|fffff|f", "f|f##f|f|fff#|fffff|f",
        "f|#f#f|f|fff#|ff###|f", "f|ff#f|f|fff#|ff#ff|f", "f|ff#f|f|ff#f|ff##f|f",
        "f|ff#f|f|f#ff|ffff#|f", "f|ff#f|f|#fff|ffff#|f", "f|f##f|f|###f|#f##f|f",
        "ffffffffffffffff",
    };
    const Picture written = icon_art::Paint(rows, 16, icon_art::Negative);
    EXPECT_TRUE(SamePixels(Compose(-12.5), written));
    EXPECT_TRUE(SamePixels(Icon(icon_art::Negative, 1, 2, Half), written));
}

TEST(PictureRuleTest, ZeroOfEitherSignShowsAZeroAndTheWholeMarker) {
    for (double zero : {0.0, -0.0}) {
        SCOPED_TRACE(std::signbit(zero) ? "-0.0" : "0.0");
        EXPECT_TRUE(SamePixels(Compose(zero), Icon(icon_art::Zero, None, 0, Whole)));
    }
}

TEST(PictureRuleTest, MagnitudesBelowTenHaveNoTensDigit) {
    EXPECT_TRUE(SamePixels(Compose(0.4), Icon(icon_art::Positive, None, 0, Half)));
    EXPECT_TRUE(SamePixels(Compose(-0.4), Icon(icon_art::Negative, None, 0, Half)));
    EXPECT_TRUE(SamePixels(Compose(7.0), Icon(icon_art::Positive, None, 7, Whole)));
    EXPECT_TRUE(SamePixels(Compose(9.9), Icon(icon_art::Positive, None, 9, Half)));
}

TEST(PictureRuleTest, TwoDigitMagnitudes) {
    EXPECT_TRUE(SamePixels(Compose(10.0), Icon(icon_art::Positive, 1, 0, Whole)));
    EXPECT_TRUE(SamePixels(Compose(-12.0), Icon(icon_art::Negative, 1, 2, Whole)));
    EXPECT_TRUE(SamePixels(Compose(99.9), Icon(icon_art::Positive, 9, 9, Half)));
    EXPECT_TRUE(SamePixels(Compose(-99.9), Icon(icon_art::Negative, 9, 9, Half)));
    // The product m * 0.1 rounds up to 10 here; the tens digit stays 9.
    EXPECT_TRUE(
        SamePixels(Compose(std::nextafter(100.0, 0.0)), Icon(icon_art::Positive, 9, 9, Half)));
}

TEST(PictureRuleTest, AnyFractionShowsTheHalfMarkerWithoutRounding) {
    for (double t : {5.3, 5.9, 5.05, 5.0000001}) {
        SCOPED_TRACE(t);
        EXPECT_TRUE(SamePixels(Compose(t), Icon(icon_art::Positive, None, 5, Half)));
    }
}

TEST(PictureRuleTest, NoReadingShowsTheEllipsisAlone) {
    for (double t : {UnknownTemperature, NotANumber, -NotANumber}) {
        SCOPED_TRACE(t);
        EXPECT_EQ(PlanPicture(t).background, PictureBackground::Unknown);
        EXPECT_TRUE(SamePixels(Compose(t), icon_art::Background(icon_art::Unknown)));
    }
}

TEST(PictureRuleTest, MagnitudesFromAHundredShowTheSignAlone) {
    for (double t : {100.0, 100.05, 1e300, std::numeric_limits<double>::max(), Infinity}) {
        SCOPED_TRACE(t);
        EXPECT_TRUE(SamePixels(Compose(t), icon_art::Background(icon_art::Positive)));
    }
    for (double t : {-272.9, -100.0, -1e300, -Infinity}) {
        SCOPED_TRACE(t);
        EXPECT_TRUE(SamePixels(Compose(t), icon_art::Background(icon_art::Negative)));
    }
}

// Every value with one decimal in range shows the digits it is written with.
TEST(PictureRuleTest, EveryTenthShowsItsWrittenDigits) {
    for (int tenths = -999; tenths <= 999; ++tenths) {
        const double t = tenths / 10.0;
        const int written = std::abs(tenths);
        const int tens = written >= 100 ? written / 100 : None;
        const icon_art::BackgroundArt& background = tenths > 0   ? icon_art::Positive
                                                    : tenths < 0 ? icon_art::Negative
                                                                 : icon_art::Zero;
        ASSERT_TRUE(SamePixels(
            Compose(t), Icon(background, tens, written / 10 % 10, written % 10 ? Half : Whole)))
            << "for " << t;
    }
}

TEST(PictureRuleTest, BackgroundShowsThroughAroundEveryGlyph) {
    // Dark grey stays exactly 0x2D6B around the 0 and its marker.
    const Picture zero = Compose(0.0);
    const Picture expectedWhite = Icon(icon_art::Zero, None, 0, Whole);
    int darkGrey = 0;
    for (int y = 6; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            if (expectedWhite.At(x, y) != icon_art::White) {
                EXPECT_EQ(zero.At(x, y), 0x2D6B) << "at " << x << "," << y;
                ++darkGrey;
            }
    EXPECT_EQ(darkGrey, 160 - 16 - 11);
}

TEST(PictureRuleTest, GlyphsStayInsideTheStripAndTheirCells) {
    // Powers of two and their neighbours, both signs, from tiny to huge.
    std::vector<double> values{0.0, -0.0, Infinity, -Infinity, NotANumber};
    for (int exponent = -1074; exponent <= 1023; ++exponent)
        for (double factor : {1.0, 1.4, 1.999999, 0.9999999})
            for (double sign : {1.0, -1.0})
                values.push_back(sign * std::ldexp(factor, exponent));
    for (double t : values) {
        const IconPlan plan = PlanPicture(t);
        ASSERT_LE(plan.glyphCount, MaxGlyphs);
        for (int i = 0; i < plan.glyphCount; ++i) {
            const GlyphCell& glyph = plan.glyphs[i];
            const bool digit = (glyph.iconLeft == 1 || glyph.iconLeft == 6) && glyph.width == 4 &&
                               glyph.stripLeft % 4 == 0 && glyph.stripLeft >= 0 &&
                               glyph.stripLeft <= 36;
            const bool marker = glyph.iconLeft == 10 && glyph.width == 5 &&
                                (glyph.stripLeft == 40 || glyph.stripLeft == 45);
            ASSERT_TRUE(digit || marker) << "glyph " << i << " of " << t;
        }
    }
}

TEST(LayColourKeyedTest, KeyPixelsKeepTheDestinationOthersReplaceIt) {
    const Pixel555 K = KeyColour555;
    Picture source(3, 2, 0);
    // Near-key colours, and the key with bit 15 set, are ordinary colours.
    source.pixels = {K, 0x7C1E, 0xFC1F, 0x0000, K, 0x7FFF};
    Picture destination(5, 4, 0x1111);
    LayColourKeyed(destination, 1, 2, source, 0, 0, 3, 2, K);
    const std::vector<Pixel555> expected = {
        0x1111, 0x1111, 0x1111, 0x1111, 0x1111, //
        0x1111, 0x1111, 0x1111, 0x1111, 0x1111, //
        0x1111, 0x1111, 0x7C1E, 0xFC1F, 0x1111, //
        0x1111, 0x0000, 0x1111, 0x7FFF, 0x1111,
    };
    EXPECT_EQ(destination.pixels, expected);
}

TEST(LayColourKeyedTest, RectanglesHangingOverAnEdgeAreClipped) {
    Picture source(2, 2, 0);
    source.pixels = {0x0001, 0x0002, 0x0003, 0x0004};
    Picture destination(3, 3, 0x1111);
    // Destination overhangs left and top; the source rectangle overhangs its
    // right and bottom edges.
    LayColourKeyed(destination, -1, -1, source, 0, 0, 3, 3, KeyColour555);
    EXPECT_EQ(destination.pixels, (std::vector<Pixel555>{0x0004, 0x1111, 0x1111, //
                                                         0x1111, 0x1111, 0x1111, //
                                                         0x1111, 0x1111, 0x1111}));
    const Picture before = destination;
    LayColourKeyed(destination, 2, 2, source, -1, 0, 2, 2, KeyColour555);
    EXPECT_EQ(destination.pixels, before.pixels) << "source column -1 is not read";
    LayColourKeyed(destination, 1, 2, source, 0, 1, 5, 5, KeyColour555);
    EXPECT_EQ(destination.pixels, (std::vector<Pixel555>{0x0004, 0x1111, 0x1111, //
                                                         0x1111, 0x1111, 0x1111, //
                                                         0x1111, 0x0003, 0x0004}));
}
