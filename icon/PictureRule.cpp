#include "icon/PictureRule.h"

#include <algorithm>
#include <cmath>

#include "fetch/Fetch.h"

namespace {

constexpr int DigitWidth = 4;
constexpr int MarkerWidth = 5;
constexpr int TensLeft = 1;
constexpr int UnitsLeft = 6;
constexpr int MarkerLeft = 10;
constexpr int HalfMarkerStripLeft = 40;
constexpr int WholeMarkerStripLeft = 45;

PictureBackground ChooseBackground(double temperature) {
    if (temperature == UnknownTemperature || std::isnan(temperature))
        return PictureBackground::Unknown;
    if (temperature == 0.0) return PictureBackground::Zero;
    return temperature > 0.0 ? PictureBackground::Positive : PictureBackground::Negative;
}

void AddGlyph(IconPlan& plan, int stripLeft, int width, int iconLeft) {
    plan.glyphs[plan.glyphCount++] = GlyphCell{stripLeft, width, iconLeft};
}

void AddDigit(IconPlan& plan, int digit, int iconLeft) {
    AddGlyph(plan, DigitWidth * digit, DigitWidth, iconLeft);
}

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

IconPlan PlanPicture(double temperature) {
    IconPlan plan{ChooseBackground(temperature), 0, {}};
    if (plan.background == PictureBackground::Unknown) return plan;

    const double magnitude = temperature >= 0.0 ? temperature : temperature * -1.0;
    // The strip has digits 0-9 only: from 100 on (and for infinities) the
    // sign's background stands alone rather than reading past the digits.
    if (!(magnitude < 100.0)) return plan;

    // Just below 100 the product rounds up to 10; the digit is still 9.
    const int tens = std::min(static_cast<int>(magnitude * 0.1), 9);
    const int units = static_cast<int>(magnitude - 10.0 * tens);
    if (tens > 0) AddDigit(plan, tens, TensLeft);
    AddDigit(plan, units, UnitsLeft);
    const double remainder = magnitude - (10.0 * tens + units);
    AddGlyph(plan, remainder > 0.0 ? HalfMarkerStripLeft : WholeMarkerStripLeft, MarkerWidth,
             MarkerLeft);
    return plan;
}

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

void LayColourKeyed(Picture& destination, int destLeft, int destTop, const Picture& source,
                    int sourceLeft, int sourceTop, int width, int height, Pixel555 key) {
    Lay(destination, destLeft, destTop, source, sourceLeft, sourceTop, width, height, &key);
}
