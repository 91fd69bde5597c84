#pragma once
// What the tray icon shows for a temperature: a background chosen by the sign
// and up to three glyphs from the digit strip. PlanPicture is the one place
// that decides it; ComposePicture paints the plan portably, the Windows
// composer paints the same plan with GDI.
#include "icon/Picture.h"

inline constexpr int IconSize = 16;
inline constexpr int GlyphTop = 7;
inline constexpr int GlyphHeight = 8;
inline constexpr int MaxGlyphs = 3;

// Strip pixels of this colour let the picture underneath show through.
inline constexpr Pixel555 KeyColour555 = 0x7C1F;

enum class PictureBackground { Unknown = 0, Zero = 1, Positive = 2, Negative = 3 };

// One glyph: its columns in the digit strip and where it lands in the icon.
struct GlyphCell {
    int stripLeft;
    int width;
    int iconLeft;
};

// Glyphs in drawing order: tens (when there is one), units, fraction marker.
struct IconPlan {
    PictureBackground background;
    int glyphCount;
    GlyphCell glyphs[MaxGlyphs];
};

IconPlan PlanPicture(double temperature);

// The side in pixels of the icon handed to the shell on a display of this
// many dots per inch. The notification area shows small icons at 16 pixels
// per 96 dots per inch; the picture is enlarged by whole pixels to the next
// multiple of 16 at or above that, because the shell shrinks a larger icon
// with little blur but smears a smaller one it has to enlarge.
int TrayIconSize(int dotsPerInch);

// The five source bitmaps, named as the shell holds them.
struct PictureSources {
    Picture digitStrip;
    Picture unknownBackground;
    Picture positiveBackground;
    Picture negativeBackground;
    Picture zeroBackground;
};

// The 16x16 icon picture for a temperature.
Picture ComposePicture(double temperature, const PictureSources& sources);

// Colour-key rule: copies the source rectangle onto the destination, except
// where the source pixel is the key colour. Pixels outside either picture are
// neither read nor written.
void LayColourKeyed(Picture& destination, int destLeft, int destTop, const Picture& source,
                    int sourceLeft, int sourceTop, int width, int height, Pixel555 key);
