// The icon's size for the display scale: 16 pixels per 96 dots per inch,
// rounded up to whole multiples of the 16x16 picture.
#include <gtest/gtest.h>

#include <utility>

#include "icon/PictureRule.h"

TEST(TrayIconSize, WholeMultiplesAtOrAboveTheShellsSize) {
    const std::pair<int, int> cases[] = {
        // dots per inch, icon size
        {96, 16},  {120, 32}, {144, 32}, {168, 32},     {192, 32},
        {216, 48}, {288, 48}, {384, 64}, {99, 32},      {98, 16},
        {0, 16},   {-96, 16}, {72, 16},  {100000, 256}, {INT32_MAX, 256},
    };
    for (const auto& [dpi, size] : cases)
        EXPECT_EQ(TrayIconSize(dpi), size) << dpi << " dots per inch";
}
