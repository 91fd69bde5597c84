// The GDI composer under Wine: icons read back pixel by pixel against the
// portable picture rule, the colour-keyed copy on its own, and a ledger of
// every device context and bitmap the composer makes.
#include "icon/IconComposerWin32.h"

#include <windows.h>

#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "GdiLedgerWin32.h"
#include "app/ShellState.h"
#include "fetch/Fetch.h"
#include "icon/PictureBmp.h"
#include "icon/PictureRule.h"
#include "res/ResourceIds.h"

namespace {

using Pixels = std::vector<uint32_t>; // 0x00RRGGBB, top row first

// A 5-bit channel on a true-colour screen: v * 8 + v / 4.
uint32_t Widen(Pixel555 pixel) {
    const auto channel = [pixel](int shift) {
        const uint32_t v = (pixel >> shift) & 31;
        return v * 8 + v / 4;
    };
    return channel(10) << 16 | channel(5) << 8 | channel(0);
}

Pixels Widen(const Picture& picture) {
    Pixels pixels;
    for (Pixel555 pixel : picture.pixels)
        pixels.push_back(Widen(pixel));
    return pixels;
}

// 32 bits a pixel, rows top-down.
BITMAPINFO TopDown32(int width, int height) {
    return BITMAPINFO{{sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
}

Pixels ReadPixels(HBITMAP bitmap, int width, int height) {
    Pixels pixels(static_cast<size_t>(width) * height, 0xDEADBEEF);
    BITMAPINFO info = TopDown32(width, height);
    HDC screen = GetDC(nullptr);
    const int rows = GetDIBits(screen, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(rows, height);
    for (uint32_t& pixel : pixels)
        pixel &= 0xFFFFFF;
    return pixels;
}

HBITMAP MakeScreenBitmap(int width, int height, const Pixels& pixels) {
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    BITMAPINFO info = TopDown32(width, height);
    SetDIBits(screen, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

// Index of the first differing pixel, or -1.
int FirstDifference(const Pixels& actual, const Pixels& expected) {
    if (actual.size() != expected.size()) return 0;
    for (size_t i = 0; i < actual.size(); ++i)
        if (actual[i] != expected[i]) return static_cast<int>(i);
    return -1;
}

struct IconPixels {
    Pixels colour;
    Pixels mask;
    BOOL isIcon;
    int maskBitsPerPixel;
};

IconPixels ReadIcon(HICON icon) {
    ICONINFO info{};
    IconPixels read{};
    if (!GetIconInfo(icon, &info)) return read;
    BITMAP mask{};
    GetObjectA(info.hbmMask, sizeof mask, &mask);
    read = {ReadPixels(info.hbmColor, IconSize, IconSize),
            ReadPixels(info.hbmMask, IconSize, IconSize), info.fIcon, mask.bmBitsPixel};
    // GetIconInfo hands out copies of both bitmaps.
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return read;
}

PictureSources sources;

Picture ReadResFile(const char* name) {
    Picture picture;
    EXPECT_TRUE(ReadPictureBmp((std::string(ZARVILO_SOURCE_DIR) + "/res/" + name).c_str(), picture))
        << name;
    return picture;
}

// The icon as the shell shows it: drawn over green, a colour no picture holds,
// so any pixel that the drawing treats as see-through shows green.
Pixels DrawnOverGreen(HICON icon) {
    HBITMAP target = MakeScreenBitmap(IconSize, IconSize, Pixels(IconSize * IconSize, 0x00FF00));
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    HGDIOBJ previous = SelectObject(dc, target);
    DrawIconEx(dc, 0, 0, icon, IconSize, IconSize, 0, nullptr, DI_NORMAL);
    SelectObject(dc, previous);
    DeleteDC(dc);
    Pixels drawn = ReadPixels(target, IconSize, IconSize);
    DeleteObject(target);
    return drawn;
}

std::string Where(const char* what, int index) {
    return std::string(what) + " at x " + std::to_string(index % IconSize) + ", y " +
           std::to_string(index / IconSize);
}

// Empty when the icon shows exactly the picture rule's picture, fully opaque.
std::string IconFault(double temperature) {
    HICON icon = ComposeTemperatureIcon(temperature);
    if (icon == nullptr) return "no icon";
    const IconPixels read = ReadIcon(icon);
    const Pixels drawn = DrawnOverGreen(icon);
    DestroyIcon(icon);
    const Pixels expected = Widen(ComposePicture(temperature, sources));
    const int colour = FirstDifference(read.colour, expected);
    if (colour >= 0) return Where("colour differs", colour);
    const int shown = FirstDifference(drawn, expected);
    if (shown >= 0) return Where("drawn icon differs", shown);
    if (FirstDifference(read.mask, Pixels(IconSize * IconSize, 0)) >= 0) return "not opaque";
    if (!read.isIcon || read.maskBitsPerPixel != 1) return "not an icon with a monochrome mask";
    return "";
}

// The six bitmaps, loaded from this program's resources as the program loads
// them from its own.
const struct ResourceBitmap {
    HBITMAP* field;
    int id;
    const char* file;
} ResourceBitmaps[] = {
    {&shellState.digitStrip, IDB_DIGITS, "digits.bmp"},
    {&shellState.unknownBackground, IDB_BG_UNKNOWN, "bg_unknown.bmp"},
    {&shellState.positiveBackground, IDB_BG_POSITIVE, "bg_positive.bmp"},
    {&shellState.negativeBackground, IDB_BG_NEGATIVE, "bg_negative.bmp"},
    {&shellState.zeroBackground, IDB_BG_ZERO, "bg_zero.bmp"},
    {&shellState.logoBitmap, IDB_LOGO, "logo.bmp"},
};

class IconComposerTest : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        for (const ResourceBitmap& resource : ResourceBitmaps)
            *resource.field = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(resource.id));
        sources = {ReadResFile("digits.bmp"), ReadResFile("bg_unknown.bmp"),
                   ReadResFile("bg_positive.bmp"), ReadResFile("bg_negative.bmp"),
                   ReadResFile("bg_zero.bmp")};
    }

    void SetUp() override {
        HDC screen = GetDC(nullptr);
        const int bits = GetDeviceCaps(screen, BITSPIXEL);
        ReleaseDC(nullptr, screen);
        ASSERT_GE(bits, 24) << "colours compare exactly on a true-colour screen only";
    }
};

} // namespace

TEST_F(IconComposerTest, ResourceBitmapsHoldTheFilesPixels) {
    for (const ResourceBitmap& resource : ResourceBitmaps) {
        SCOPED_TRACE(resource.file);
        const Picture file = ReadResFile(resource.file);
        BITMAP info{};
        ASSERT_NE(*resource.field, nullptr);
        ASSERT_TRUE(GetObjectA(*resource.field, sizeof info, &info));
        ASSERT_EQ(info.bmWidth, file.width);
        ASSERT_EQ(info.bmHeight, file.height);
        EXPECT_EQ(
            FirstDifference(ReadPixels(*resource.field, file.width, file.height), Widen(file)), -1);
    }
}

TEST_F(IconComposerTest, IconsShowThePictureRuleForEdgeValues) {
    const double infinity = HUGE_VAL;
    for (double t : {UnknownTemperature, std::nan(""), 0.0, -0.0, 0.4, -0.4, 7.0, 10.0, -12.5,
                     -12.0, 99.9, 5.3, 5.9, -272.9, 100.0, 1e300, infinity, -infinity})
        EXPECT_EQ(IconFault(t), "") << "for " << t;
}

TEST_F(IconComposerTest, IconsShowThePictureRuleForEveryTenth) {
    for (int tenths = -1000; tenths <= 1000; ++tenths)
        ASSERT_EQ(IconFault(tenths / 10.0), "") << "for " << tenths / 10.0;
}

TEST_F(IconComposerTest, TheMainWindowsContextServesAsTheScreens) {
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 16, 16, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    shellState.mainWindow = window;
    EXPECT_EQ(IconFault(-12.5), "");
    EXPECT_EQ(IconFault(UnknownTemperature), "");
    shellState.mainWindow = nullptr;
    DestroyWindow(window);
}

TEST_F(IconComposerTest, CompositionsOnTwoThreadsTakeTurns) {
    std::string faults[2];
    const auto compose = [&faults](int thread, double temperature) {
        for (int i = 0; i < 300 && faults[thread].empty(); ++i)
            faults[thread] = IconFault(temperature);
    };
    std::thread first(compose, 0, -12.5);
    std::thread second(compose, 1, 38.0);
    first.join();
    second.join();
    EXPECT_EQ(faults[0], "");
    EXPECT_EQ(faults[1], "");
}

TEST_F(IconComposerTest, DrawTransparentKeepsKeyPixelsAndCopiesOthersExactly) {
    constexpr uint32_t Key = 0xFF00FF;
    // Near-key colours are ordinary colours and must be copied.
    const Pixels sourcePixels = {
        Key,      0x000000, 0xFF00FE, Key,      0x123456, 0xFFFFFF, //
        0xFE00FF, Key,      0xFF01FF, 0x00FF00, Key,      0x808080, //
        0x0000FF, 0xFF0000, Key,      Key,      0x010203, Key,      //
        Key,      Key,      Key,      Key,      Key,      Key,
    };
    Pixels destinationPixels(10 * 6);
    for (size_t i = 0; i < destinationPixels.size(); ++i)
        destinationPixels[i] = 0x203040 + static_cast<uint32_t>(i) * 0x010307;
    HBITMAP source = MakeScreenBitmap(6, 4, sourcePixels);
    HBITMAP destination = MakeScreenBitmap(10, 6, destinationPixels);
    HDC screen = GetDC(nullptr);
    HDC sourceDc = CreateCompatibleDC(screen);
    HDC destinationDc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    HGDIOBJ oldSource = SelectObject(sourceDc, source);
    HGDIOBJ oldDestination = SelectObject(destinationDc, destination);
    SetBkColor(sourceDc, RGB(1, 2, 3));

    // Source rectangle: columns 1-5, rows 0-2; onto destination 3,2.
    DrawTransparent(destinationDc, sourceDc, 3, 2, 1, 0, 5, 3, GlyphKeyColour);

    EXPECT_EQ(GetBkColor(sourceDc), RGB(1, 2, 3)) << "the source's background colour is restored";
    SelectObject(sourceDc, oldSource);
    SelectObject(destinationDc, oldDestination);
    DeleteDC(sourceDc);
    DeleteDC(destinationDc);
    const Pixels drawn = ReadPixels(destination, 10, 6);
    DeleteObject(source);
    DeleteObject(destination);

    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 10; ++x) {
            const bool inside = x >= 3 && x < 8 && y >= 2 && y < 5;
            const uint32_t sourcePixel = inside ? sourcePixels[(y - 2) * 6 + (x - 3 + 1)] : Key;
            const uint32_t before = destinationPixels[y * 10 + x];
            EXPECT_EQ(drawn[y * 10 + x], sourcePixel == Key ? before : sourcePixel)
                << "at " << x << "," << y;
        }
}

TEST_F(IconComposerTest, ComposingLeavesNoContextsOrBitmapsBehind) {
    const double temperatures[] = {-12.5, UnknownTemperature, 7.0, 150.0, -0.4};
    const DWORD gdiObjectsBefore = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    {
        GdiLedger ledger;
        ASSERT_TRUE(ledger.AllHooksInstalled());
        int contexts = 0, bitmaps = 0;
        for (int i = 0; i < 1000; ++i) {
            const double t = temperatures[i % 5];
            // Four contexts and three bitmaps (canvas, mask, opaque top
            // bytes), and two of each for every glyph.
            const int glyphs = PlanPicture(t).glyphCount;
            contexts += 4 + 2 * glyphs;
            bitmaps += 3 + 2 * glyphs;
            HICON icon = ComposeTemperatureIcon(t);
            ASSERT_NE(icon, nullptr);
            ASSERT_TRUE(DestroyIcon(icon));
        }
        EXPECT_EQ(ledger.contextsMade, contexts);
        EXPECT_EQ(ledger.bitmapsMade, bitmaps);
        EXPECT_TRUE(ledger.liveContexts.empty()) << ledger.liveContexts.size() << " contexts left";
        EXPECT_TRUE(ledger.liveBitmaps.empty()) << ledger.liveBitmaps.size() << " bitmaps left";
        EXPECT_EQ(ledger.displayContextsHeld, 0);
        EXPECT_EQ(ledger.bitmapsDeletedWhileSelected, 0);
    }
    // Windows counts the process's GDI objects; Wine answers 0, and there the
    // ledger above is what catches a leak.
    EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), gdiObjectsBefore);
}
