#include "icon/PictureBmp.h"

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "icon/PictureRule.h"
#include "icon_art.h"

namespace {

// Every value of a pixel's low 15 bits somewhere, and bit 15 set once.
Picture Gradient(int width, int height) {
    Picture picture(width, height, 0);
    for (size_t i = 0; i < picture.pixels.size(); ++i)
        picture.pixels[i] = static_cast<Pixel555>(i * 2654435761u >> 17);
    picture.pixels.back() = 0x8001;
    return picture;
}

std::string TempPath(const char* name) {
    return (testing::TempDir() + "zarvilo-") + name + ".bmp";
}

} // namespace

TEST(PictureBmpTest, RoundTripsEveryWidthPadding) {
    // Widths 1-4 cover rows of 2, 4, 6 and 8 bytes: padding 2, 0, 2, 0.
    for (int width : {1, 2, 3, 4, 50}) {
        SCOPED_TRACE(width);
        const Picture original = Gradient(width, 3);
        const std::vector<uint8_t> bytes = EncodePictureBmp(original);
        EXPECT_EQ(bytes.size(), 54u + (width * 2 + 3) / 4 * 4 * 3);
        Picture decoded;
        ASSERT_TRUE(DecodePictureBmp(bytes.data(), bytes.size(), decoded));
        EXPECT_TRUE(icon_art::SamePixels(decoded, original));
    }
}

TEST(PictureBmpTest, WritesRowsBottomUpWithZeroPadding) {
    Picture picture(1, 2, 0);
    picture.pixels = {0x1234, 0x7C1F};
    const std::vector<uint8_t> bytes = EncodePictureBmp(picture);
    ASSERT_EQ(bytes.size(), 54u + 8u);
    // The bottom row comes first, each row padded from two bytes to four.
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 54, bytes.end()),
              (std::vector<uint8_t>{0x1F, 0x7C, 0, 0, 0x34, 0x12, 0, 0}));
}

TEST(PictureBmpTest, RefusesOtherFormsAndShortData) {
    const std::vector<uint8_t> good = EncodePictureBmp(Gradient(3, 2));
    const struct {
        const char* what;
        size_t at;
        uint8_t value;
    } spoilt[] = {
        {"magic", 1, 'A'},      {"pixel offset", 10, 55}, {"info header size", 14, 108},
        {"zero width", 18, 0},  {"planes", 26, 2},        {"bits per pixel", 28, 24},
        {"compression", 30, 3}, {"colour table", 46, 1},  {"top-down rows", 25, 0xFF},
        {"too wide", 19, 0x10},
    };
    for (const auto& case_ : spoilt) {
        SCOPED_TRACE(case_.what);
        std::vector<uint8_t> bytes = good;
        bytes[case_.at] = case_.value;
        Picture untouched(1, 1, 0x0042);
        EXPECT_FALSE(DecodePictureBmp(bytes.data(), bytes.size(), untouched));
        EXPECT_EQ(untouched.width, 1);
        EXPECT_EQ(untouched.pixels[0], 0x0042);
    }
    Picture picture;
    EXPECT_FALSE(DecodePictureBmp(good.data(), good.size() - 1, picture)) << "one byte short";
    EXPECT_FALSE(DecodePictureBmp(good.data(), 53, picture)) << "headers cut";
    EXPECT_TRUE(DecodePictureBmp(good.data(), good.size(), picture));
}

TEST(PictureBmpTest, TheLargestSideIsAccepted) {
    const Picture wide = Gradient(MaxBmpSide, 1);
    const std::vector<uint8_t> bytes = EncodePictureBmp(wide);
    Picture decoded;
    ASSERT_TRUE(DecodePictureBmp(bytes.data(), bytes.size(), decoded));
    EXPECT_TRUE(icon_art::SamePixels(decoded, wide));
}

TEST(PictureBmpTest, FilesRoundTripAnIconPicture) {
    const PictureSources sources{icon_art::Strip(), icon_art::Background(icon_art::Unknown),
                                 icon_art::Background(icon_art::Positive),
                                 icon_art::Background(icon_art::Negative),
                                 icon_art::Background(icon_art::Zero)};
    const Picture icon = ComposePicture(-12.5, sources);
    const std::string path = TempPath("icon");
    ASSERT_TRUE(WritePictureBmp(path.c_str(), icon));
    Picture read;
    ASSERT_TRUE(ReadPictureBmp(path.c_str(), read));
    EXPECT_TRUE(icon_art::SamePixels(read, icon));
    std::remove(path.c_str());
}

TEST(PictureBmpTest, MissingFilesAndDirectoriesFail) {
    Picture picture;
    EXPECT_FALSE(ReadPictureBmp(TempPath("no-such-file").c_str(), picture));
    EXPECT_FALSE(
        WritePictureBmp((testing::TempDir() + "no-such-dir/x.bmp").c_str(), Gradient(2, 2)));
}
