// The GDI composer under Wine, read back pixel by pixel against the portable picture rule.
#include "icon/IconComposerWin32.h"

#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "base/Reading.h"
#include "icon/PictureRule.h"
#include "res/ResourceIds.h"
#include "tests/support/ImportPatchWin32.h"

PictureSources ResPictureSources(); // in picture_test.cpp, of the same test program

namespace {

using Pixels = std::vector<uint32_t>; // 0x00RRGGBB, top row first

// The picture on a true-colour screen: a 5-bit channel v becomes v * 8 + v / 4.
Pixels Widen(const Picture& picture) {
    Pixels pixels;
    for (Pixel555 pixel : picture.pixels) {
        uint32_t widened = 0;
        for (int shift : {10, 5, 0})
            widened = widened << 8 | ((pixel >> shift & 31) * 8 + (pixel >> shift & 31) / 4);
        pixels.push_back(widened);
    }
    return pixels;
}

Pixels ReadPixels(HBITMAP bitmap, int size) {
    Pixels pixels(size * size, 0xDEADBEEF);
    BITMAPINFO info{{sizeof(BITMAPINFOHEADER), size, -size, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, bitmap, 0, size, pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    for (uint32_t& pixel : pixels)
        pixel &= 0xFFFFFF;
    return pixels;
}

HBITMAP LoadResource(int id) {
    return LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id));
}

class IconComposerTest : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        bitmaps = {LoadResource(IDB_DIGITS), LoadResource(IDB_BG_UNKNOWN),
                   LoadResource(IDB_BG_POSITIVE), LoadResource(IDB_BG_NEGATIVE),
                   LoadResource(IDB_BG_ZERO)};
        sources = ResPictureSources();
    }

    // Empty when the icon is the rule's picture at size, with an all-zero mask: drawn opaque.
    static std::string IconFault(double temperature, HWND window = nullptr, int size = IconSize) {
        HICON icon = ComposeTemperatureIcon(temperature, bitmaps, window, size);
        ICONINFO info{};
        if (!icon || !GetIconInfo(icon, &info)) return "no icon";
        BITMAP colourInfo{}, mask{};
        GetObjectA(info.hbmColor, sizeof colourInfo, &colourInfo);
        GetObjectA(info.hbmMask, sizeof mask, &mask);
        const Pixels colour = ReadPixels(info.hbmColor, size);
        const Pixels maskPixels = ReadPixels(info.hbmMask, size);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
        if (colourInfo.bmWidth != size || colourInfo.bmHeight != size) return "wrong size";
        const Pixels expected = Widen(ComposePicture(temperature, sources, size));
        for (size_t i = 0; i < expected.size(); ++i)
            if (colour[i] != expected[i])
                return "differs at x " + std::to_string(i % size) + ", y " +
                       std::to_string(i / size);
        if (maskPixels != Pixels(size * size, 0) || mask.bmBitsPixel != 1) return "not opaque";
        return info.fIcon ? "" : "a cursor, not an icon";
    }

    static inline IconBitmaps bitmaps;
    static inline PictureSources sources;
};

// Values the rule plans alike (not a number, beyond 100) are its own table's.
TEST_F(IconComposerTest, IconsShowThePictureRule) {
    for (int tenths = -1000; tenths <= 1000; ++tenths)
        ASSERT_EQ(IconFault(tenths / 10.0), "") << "for " << tenths / 10.0;
    // No reading, and odd sizes whose rows device-independent pixels must not pad, to the largest.
    for (int size : {IconSize, 17, 28, 48, LargestIconSize})
        for (double t : {UnknownTemperature, -12.5, 38.0})
            EXPECT_EQ(IconFault(t, nullptr, size), "") << "for " << t << " at " << size;
}

TEST_F(IconComposerTest, CompositionsOnTwoThreadsTakeTurns) {
    std::string faults[2];
    const auto compose = [&faults](int thread, double temperature) {
        for (int i = 0; i < 300 && faults[thread].empty(); ++i)
            faults[thread] = IconFault(temperature, nullptr, LargestIconSize); // the longest
    };
    std::thread first(compose, 0, -12.5), second(compose, 1, 38.0);
    first.join();
    second.join();
    EXPECT_EQ(faults[0] + faults[1], "");
}

// The device context is released to the window it came from.
std::vector<HWND> contextWindows;
decltype(&GetDC) realGetDC;
decltype(&ReleaseDC) realReleaseDC;
HDC WINAPI RecordGetDC(HWND window) {
    contextWindows.push_back(window);
    return realGetDC(window);
}
int WINAPI RecordReleaseDC(HWND window, HDC dc) {
    contextWindows.push_back(window);
    return realReleaseDC(window, dc);
}

TEST_F(IconComposerTest, DrawsForTheWindowItIsGiven) {
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 16, 16, nullptr, nullptr,
                                  nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    {
        ImportPatch get("user32.dll", "GetDC", reinterpret_cast<void*>(RecordGetDC));
        ImportPatch release("user32.dll", "ReleaseDC", reinterpret_cast<void*>(RecordReleaseDC));
        realGetDC = get.Original<decltype(&GetDC)>();
        realReleaseDC = release.Original<decltype(&ReleaseDC)>();
        DestroyIcon(ComposeTemperatureIcon(7.5, bitmaps, window, IconSize));
    }
    EXPECT_EQ(contextWindows, std::vector<HWND>({window, window}));
    DestroyWindow(window);
}

} // namespace
