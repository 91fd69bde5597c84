// The picture rule painted into a Picture: the probe's icon and the tests' expected icons.
#include "icon/PictureRule.h"

// Paints the plan into a portable picture; kept apart from the plan so that
// the program, which paints with GDI, links none of this.
namespace {

// Copies a rectangle, skipping key-coloured source pixels when a key is given.
void Lay(Picture& destination, int destLeft, int destTop, const Picture& source, int sourceLeft,
         int sourceTop, int width, int height, const Pixel555* key) {
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            const int sourceX = sourceLeft + column, sourceY = sourceTop + row;
            const int destX = destLeft + column, destY = destTop + row;
            if (!source.Contains(sourceX, sourceY) || !destination.Contains(destX, destY)) continue;
            const Pixel555 pixel = source.At(sourceX, sourceY);
            if (key == nullptr || pixel != *key) destination.At(destX, destY) = pixel;
        }
    }
}

const Picture& BackgroundPicture(const PictureSources& sources, PictureBackground background) {
    // In the order of PictureBackground.
    const Picture* const backgrounds[] = {&sources.unknownBackground, &sources.zeroBackground,
                                          &sources.positiveBackground, &sources.negativeBackground};
    return *backgrounds[static_cast<int>(background)];
}

} // namespace

Picture ComposePicture(double temperature, const PictureSources& sources) {
    const IconPlan plan = PlanPicture(temperature);
    Picture picture(IconSize, IconSize, 0);
    Lay(picture, 0, 0, BackgroundPicture(sources, plan.background), 0, 0, IconSize, IconSize,
        nullptr);
    for (int i = 0; i < plan.glyphCount; ++i) {
        const GlyphCell& glyph = plan.glyphs[i];
        LayColourKeyed(picture, glyph.iconLeft, GlyphTop, sources.digitStrip, glyph.stripLeft, 0,
                       glyph.width, GlyphHeight, KeyColour555);
    }
    return picture;
}

Picture ComposePicture(double temperature, const PictureSources& sources, int size) {
    const Picture small = ComposePicture(temperature, sources);
    Picture sized(size, size, 0);
    DrawPictureAtSize(PlanPicture(temperature), small.pixels.data(), size, sized.pixels.data());
    return sized;
}

void LayColourKeyed(Picture& destination, int destLeft, int destTop, const Picture& source,
                    int sourceLeft, int sourceTop, int width, int height, Pixel555 key) {
    Lay(destination, destLeft, destTop, source, sourceLeft, sourceTop, width, height, &key);
}
