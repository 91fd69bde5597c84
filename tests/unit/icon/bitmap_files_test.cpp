// The committed bitmap files, decoded here by hand (not by the codec under
// test) and checked against the art written out in icon_art.h.
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "icon_art.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes ReadResFile(const char* name) {
    std::ifstream in(std::string(ZARVILO_SOURCE_DIR) + "/res/" + name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t Little(const Bytes& bytes, size_t at, int count) {
    uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = value << 8 | bytes[at + i];
    return value;
}

// File header, 40-byte info header, 16 bpp BI_RGB without colour table, rows
// bottom-up and padded to four bytes; then the pixels, top row first.
Picture DecodeExpectingForm(const char* name, int width, int height) {
    SCOPED_TRACE(name);
    const Bytes file = ReadResFile(name);
    const size_t stride = (width * 2 + 3) / 4 * 4;
    const size_t size = 54 + stride * height;
    EXPECT_EQ(file.size(), size);
    if (file.size() != size) return Picture();
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(Little(file, 2, 4), size);
    EXPECT_EQ(Little(file, 6, 4), 0u);
    EXPECT_EQ(Little(file, 10, 4), 54u);
    EXPECT_EQ(Little(file, 14, 4), 40u);
    EXPECT_EQ(Little(file, 18, 4), static_cast<uint32_t>(width));
    EXPECT_EQ(Little(file, 22, 4), static_cast<uint32_t>(height));
    EXPECT_EQ(Little(file, 26, 2), 1u);
    EXPECT_EQ(Little(file, 28, 2), 16u);
    EXPECT_EQ(Little(file, 30, 4), 0u);
    EXPECT_EQ(Little(file, 34, 4), stride * height);
    EXPECT_EQ(Little(file, 46, 4), 0u);
    EXPECT_EQ(Little(file, 50, 4), 0u);
    Picture picture(width, height, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.At(x, y) =
                static_cast<Pixel555>(Little(file, 54 + (height - 1 - y) * stride + 2 * x, 2));
    return picture;
}

} // namespace

TEST(BitmapFilesTest, DigitStripHoldsTheGlyphArt) {
    EXPECT_TRUE(icon_art::SamePixels(DecodeExpectingForm("digits.bmp", 50, 8), icon_art::Strip()));
}

TEST(BitmapFilesTest, BackgroundsHoldTheirArt) {
    const struct {
        const char* file;
        const icon_art::BackgroundArt& art;
    } backgrounds[] = {
        {"bg_unknown.bmp", icon_art::Unknown},
        {"bg_positive.bmp", icon_art::Positive},
        {"bg_negative.bmp", icon_art::Negative},
        {"bg_zero.bmp", icon_art::Zero},
    };
    for (const auto& background : backgrounds) {
        SCOPED_TRACE(background.file);
        EXPECT_TRUE(icon_art::SamePixels(DecodeExpectingForm(background.file, 16, 16),
                                         icon_art::Background(background.art)));
    }
}

TEST(BitmapFilesTest, LogoIsA48PixelSquareOf555Colours) {
    const Picture logo = DecodeExpectingForm("logo.bmp", 48, 48);
    ASSERT_EQ(logo.pixels.size(), 48u * 48u);
    int white = 0;
    for (Pixel555 pixel : logo.pixels) {
        EXPECT_EQ(pixel & 0x8000, 0) << "bit 15 must stay clear";
        white += pixel == icon_art::White;
    }
    // The letter and the degree sign are white; more than a token few pixels.
    EXPECT_GT(white, 48 * 48 / 10);
    EXPECT_LT(white, 48 * 48 / 2);
}
