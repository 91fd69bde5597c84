#pragma once
// What the tray icon shows for a temperature: a background chosen by the sign
// and up to three glyphs from the digit strip. PlanPicture is the one place
// that decides it; ComposePicture paints the plan portably, the Windows
// composer paints the same plan with GDI. DrawPictureAtSize draws that 16x16
// picture again at the notification area's size, for both.
#include <cstdint>

#include "icon/Picture.h"

inline constexpr int IconSize = 16;
inline constexpr int LargestIconSize = 256;
inline constexpr int GlyphTop = 7;
inline constexpr int GlyphHeight = 8;
inline constexpr int MaxGlyphs = 3;
// Glyph cells in the icon: two digits and the fraction marker.
inline constexpr int DigitWidth = 4;
inline constexpr int MarkerWidth = 5;
inline constexpr int TensLeft = 1;
inline constexpr int UnitsLeft = 6;
inline constexpr int MarkerLeft = 10;

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
// many dots per inch: the small-icon size, 16 pixels per 96 dots per inch
// rounded as the shell rounds (120 give 20, 144 give 24), from 16 to
// LargestIconSize. An icon of any other size the shell would shrink or
// enlarge, blurring its strokes.
int TrayIconSize(int dotsPerInch);

// The width in whole pixels of every stroke of the picture drawn at size:
// 1 up to 31 pixels, 2 from 32, 3 from 48. Rounded down, so that the strokes
// of a glyph always fit its scaled box a stroke apart.
int StrokeWidth(int size);

// Draws the 16x16 picture of the plan (top row first) again as size x size
// pixels into sized, for a size from 16 to LargestIconSize; at 16 it is the
// picture itself. Every pixel is one of the picture's own: the top band and the lower
// field keep their share of the height, and each mark (the sign, the degree
// sign, the C, the ellipsis' dots, the digits, the fraction marker) is drawn
// again in its box scaled by size / 16, with strokes StrokeWidth(size) wide.
// Pixel is any pixel format in which equal colours are equal values.
template <typename Pixel>
void DrawPictureAtSize(const IconPlan& plan, const Pixel* picture, int size, Pixel* sized);
extern template void DrawPictureAtSize(const IconPlan&, const uint16_t*, int, uint16_t*);
extern template void DrawPictureAtSize(const IconPlan&, const uint32_t*, int, uint32_t*);

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
// The same, drawn at size (DrawPictureAtSize).
Picture ComposePicture(double temperature, const PictureSources& sources, int size);

// Colour-key rule: copies the source rectangle onto the destination, except
// where the source pixel is the key colour. Pixels outside either picture are
// neither read nor written.
void LayColourKeyed(Picture& destination, int destLeft, int destTop, const Picture& source,
                    int sourceLeft, int sourceTop, int width, int height, Pixel555 key);
