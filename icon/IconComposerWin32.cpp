#include "icon/IconComposerWin32.h"

#include <algorithm>
#include <cstdint>

#include "base/Lock.h"
#include "icon/PictureRule.h"

namespace {

// Serialises compositions: they share the source bitmaps, and the pixels of
// the icon drawn at its size.
Lock composerLock;
uint32_t sizedPixels[LargestIconSize * LargestIconSize];

HBITMAP BackgroundBitmap(const IconBitmaps& bitmaps, PictureBackground background) {
    // In the order of PictureBackground.
    const HBITMAP backgrounds[] = {bitmaps.unknownBackground, bitmaps.zeroBackground,
                                   bitmaps.positiveBackground, bitmaps.negativeBackground};
    return backgrounds[static_cast<int>(background)];
}

void PaintPlan(HDC canvas, HDC source, const IconBitmaps& bitmaps, const IconPlan& plan) {
    SelectObject(source, BackgroundBitmap(bitmaps, plan.background));
    BitBlt(canvas, 0, 0, IconSize, IconSize, source, 0, 0, SRCCOPY);
    if (plan.glyphCount == 0) return;
    SelectObject(source, bitmaps.digitStrip);
    for (int i = 0; i < plan.glyphCount; ++i) {
        const GlyphCell& glyph = plan.glyphs[i];
        DrawTransparent(canvas, source, glyph.iconLeft, GlyphTop, glyph.stripLeft, 0, glyph.width,
                        GlyphHeight, GlyphKeyColour);
    }
}

HICON MakeOpaqueIcon(HBITMAP colour, HBITMAP mask) {
    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmMask = mask;
    info.hbmColor = colour;
    return CreateIconIndirect(&info);
}

// Pixels of side x side as 0x00RRGGBB, top row first.
BITMAPINFO TopDownInfo(int side) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), side, -side, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    return info;
}

// The 16x16 picture painted with GDI, read back as pixels. Raster operations
// may have set the top byte of some pixels only, which a shell reads as
// per-pixel transparency: it is set on all of them, so the icon is opaque by
// its own alpha and does not hang on its mask alone (a shell that copies the
// icon into another process may lose mask rows of a width that is not a
// multiple of 16).
void PaintPicture(HDC display, const IconBitmaps& bitmaps, const IconPlan& plan,
                  uint32_t (&pixels)[IconSize * IconSize]) {
    HDC pictureDc = CreateCompatibleDC(display);
    HDC sourceDc = CreateCompatibleDC(display);
    HBITMAP picture = CreateCompatibleBitmap(display, IconSize, IconSize);
    SelectObject(pictureDc, picture);
    BitBlt(pictureDc, 0, 0, IconSize, IconSize, nullptr, 0, 0, BLACKNESS);
    PaintPlan(pictureDc, sourceDc, bitmaps, plan);
    // Deleting the contexts frees the bitmaps from them before they go.
    DeleteDC(pictureDc);
    DeleteDC(sourceDc);
    BITMAPINFO info = TopDownInfo(IconSize);
    GetDIBits(display, picture, 0, IconSize, pixels, &info, DIB_RGB_COLORS);
    DeleteObject(picture);
    for (uint32_t& pixel : pixels)
        pixel |= 0xFF000000;
}

// The picture drawn again at size, in the display's format.
HBITMAP DrawCanvas(HDC display, const IconPlan& plan,
                   const uint32_t (&picture)[IconSize * IconSize], int size) {
    DrawPictureAtSize(plan, picture, size, sizedPixels);
    BITMAPINFO info = TopDownInfo(size);
    return CreateDIBitmap(display, &info.bmiHeader, CBM_INIT, sizedPixels, &info, DIB_RGB_COLORS);
}

} // namespace

HICON ComposeTemperatureIcon(double temperature, const IconBitmaps& bitmaps, HWND window,
                             int size) {
    LockHolder hold(composerLock);
    const IconPlan plan = PlanPicture(temperature);
    size = std::clamp(size, IconSize, LargestIconSize);

    HDC display = GetDC(window);
    uint32_t picture[IconSize * IconSize];
    PaintPicture(display, bitmaps, plan, picture);
    HBITMAP canvas = DrawCanvas(display, plan, picture, size);
    HDC maskDc = CreateCompatibleDC(display);
    // A fresh memory context holds a monochrome bitmap, so this one is too.
    HBITMAP mask = CreateCompatibleBitmap(maskDc, size, size);
    ReleaseDC(window, display);
    SelectObject(maskDc, mask);
    BitBlt(maskDc, 0, 0, size, size, nullptr, 0, 0, BLACKNESS);
    DeleteDC(maskDc);

    HICON icon = MakeOpaqueIcon(canvas, mask);
    DeleteObject(canvas);
    DeleteObject(mask);
    return icon;
}

void DrawTransparent(HDC dest, HDC source, int destLeft, int destTop, int sourceLeft, int sourceTop,
                     int width, int height, COLORREF key) {
    HDC maskDc = CreateCompatibleDC(dest);
    HDC scratchDc = CreateCompatibleDC(dest);
    HBITMAP mask = CreateBitmap(width, height, 1, 1, nullptr);
    HBITMAP scratch = CreateCompatibleBitmap(dest, width, height);
    SelectObject(maskDc, mask);
    SelectObject(scratchDc, scratch);

    // Mask: 1 where the source has the key colour.
    const COLORREF previousBackground = SetBkColor(source, key);
    BitBlt(maskDc, 0, 0, width, height, source, sourceLeft, sourceTop, SRCCOPY);
    SetBkColor(source, previousBackground);

    // Whiten the destination except under key pixels.
    BitBlt(scratchDc, 0, 0, width, height, maskDc, 0, 0, SRCCOPY);
    BitBlt(dest, destLeft, destTop, width, height, scratchDc, 0, 0, MERGEPAINT);

    // The source with its key pixels whitened, ANDed on: white keeps what is
    // there, every other colour lands on white and comes out exactly.
    BitBlt(maskDc, 0, 0, width, height, maskDc, 0, 0, NOTSRCCOPY);
    BitBlt(scratchDc, 0, 0, width, height, source, sourceLeft, sourceTop, SRCCOPY);
    BitBlt(scratchDc, 0, 0, width, height, maskDc, 0, 0, MERGEPAINT);
    BitBlt(dest, destLeft, destTop, width, height, scratchDc, 0, 0, SRCAND);

    DeleteDC(maskDc);
    DeleteDC(scratchDc);
    DeleteObject(mask);
    DeleteObject(scratch);
}
