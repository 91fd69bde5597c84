#include "icon/PictureRule.h"

#include <algorithm>
#include <cmath>

#include "base/Reading.h"

namespace {

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
