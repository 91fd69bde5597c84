#include "icon/IconComposerWin32.h"

#include "base/Lock.h"
#include "icon/PictureRule.h"

namespace {

// Serialises compositions: they share the source bitmaps.
Lock composerLock;

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

// Raster operations on a 32-bit canvas may set the unused top byte of some
// pixels only, and the shell then reads that byte as per-pixel transparency.
// OR-ing in the complement of white sets it on every pixel alike and leaves
// the colours as they are, so the icon stays opaque throughout.
void SetTopByteEverywhere(HDC canvas, int size) {
    HDC onesDc = CreateCompatibleDC(canvas);
    HBITMAP ones = CreateBitmap(size, size, 1, 1, nullptr);
    SelectObject(onesDc, ones);
    BitBlt(onesDc, 0, 0, size, size, nullptr, 0, 0, WHITENESS);
    BitBlt(canvas, 0, 0, size, size, onesDc, 0, 0, MERGEPAINT);
    DeleteDC(onesDc);
    DeleteObject(ones);
}

HICON MakeOpaqueIcon(HBITMAP colour, HBITMAP mask) {
    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmMask = mask;
    info.hbmColor = colour;
    return CreateIconIndirect(&info);
}

// Each pixel of the 16x16 picture becomes a block of whole pixels, colours
// unmixed.
void Enlarge(HDC canvas, int size, HDC picture) {
    SetStretchBltMode(canvas, COLORONCOLOR);
    StretchBlt(canvas, 0, 0, size, size, picture, 0, 0, IconSize, IconSize, SRCCOPY);
}

} // namespace

HICON ComposeTemperatureIcon(double temperature, const IconBitmaps& bitmaps, HWND window,
                             int size) {
    LockHolder hold(composerLock);
    const IconPlan plan = PlanPicture(temperature);

    HDC display = GetDC(window);
    HDC pictureDc = CreateCompatibleDC(display);
    HDC canvasDc = CreateCompatibleDC(display);
    HDC maskDc = CreateCompatibleDC(display);
    HDC sourceDc = CreateCompatibleDC(display);
    HBITMAP picture = CreateCompatibleBitmap(display, IconSize, IconSize);
    HBITMAP canvas = CreateCompatibleBitmap(display, size, size);
    // A fresh memory context holds a monochrome bitmap, so this one is too.
    HBITMAP mask = CreateCompatibleBitmap(maskDc, size, size);
    ReleaseDC(window, display);

    SelectObject(pictureDc, picture);
    SelectObject(canvasDc, canvas);
    SelectObject(maskDc, mask);
    BitBlt(pictureDc, 0, 0, IconSize, IconSize, nullptr, 0, 0, BLACKNESS);
    BitBlt(maskDc, 0, 0, size, size, nullptr, 0, 0, BLACKNESS);
    PaintPlan(pictureDc, sourceDc, bitmaps, plan);
    Enlarge(canvasDc, size, pictureDc);
    SetTopByteEverywhere(canvasDc, size);

    // Deleting the contexts frees the bitmaps from them before they go.
    DeleteDC(pictureDc);
    DeleteDC(canvasDc);
    DeleteDC(maskDc);
    DeleteDC(sourceDc);
    HICON icon = MakeOpaqueIcon(canvas, mask);
    DeleteObject(picture);
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
