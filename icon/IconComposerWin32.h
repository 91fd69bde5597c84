#pragma once
// The tray icon's picture drawn with GDI from five source bitmaps, following
// the plan of the portable picture rule.
#include <windows.h>

#include "icon/PictureRule.h"

// The digit strip's background colour, magenta.
inline constexpr COLORREF GlyphKeyColour = RGB(255, 0, 255);

// The source bitmaps, loaded once and kept for the whole run.
struct IconBitmaps {
    HBITMAP digitStrip;
    HBITMAP unknownBackground;
    HBITMAP positiveBackground;
    HBITMAP negativeBackground;
    HBITMAP zeroBackground;
};

// A new icon for the temperature, owned by the caller; null when the icon
// cannot be made. The 16x16 picture is painted with GDI, then drawn again at
// size (16 to LargestIconSize, TrayIconSize) by DrawPictureAtSize. The icon
// takes the display format of window's device context. Safe to call from any
// thread: compositions take turns, because a source bitmap can be selected
// into one device context only.
HICON ComposeTemperatureIcon(double temperature, const IconBitmaps& bitmaps, HWND window, int size);

// Copies the source rectangle onto the destination rectangle of the same
// size, leaving the destination where the source pixel is the key colour.
void DrawTransparent(HDC dest, HDC source, int destLeft, int destTop, int sourceLeft, int sourceTop,
                     int width, int height, COLORREF key);
