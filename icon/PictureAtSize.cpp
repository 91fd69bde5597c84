// The 16x16 picture drawn again at the notification area's size.
#include "icon/PictureRule.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace {

constexpr int BaseDotsPerInch = 96;
constexpr int BandHeight = 6; // rows 0-5 of the 16x16 picture

// Where each mark of the picture lies at 16 pixels, to be drawn again in its
// box scaled to the size.
struct MarkBox {
    int left, top, width, height;
};

// On every background: the sign (where there is one), the degree sign, the C.
constexpr MarkBox BandMarks[] = {{1, 1, 5, 5}, {7, 1, 2, 2}, {10, 1, 5, 5}};
// The no-reading picture's ellipsis, where the digits go on the others.
constexpr MarkBox EllipsisDots[] = {{2, 10, 2, 2}, {7, 10, 2, 2}, {12, 10, 2, 2}};

// a / b rounded half up, for any sign of a and b > 0.
int RoundedRatio(long long a, long long b) {
    const long long twice = 2 * a + b, divisor = 2 * b;
    const long long floor = twice >= 0 ? twice / divisor : -((-twice + divisor - 1) / divisor);
    return static_cast<int>(floor);
}

// Where the picture's pixel at offset within a mark spanning [start, start +
// length) lands at size: the first and the last stroke sit at the box's scaled
// edges, those between are spread evenly, at least a stroke apart. Exact at
// 16 pixels.
int PlaceStroke(int start, int length, int offset, int size, int stroke) {
    // In 16ths of a pixel at size.
    const long long first = static_cast<long long>(start) * size;
    const long long span = static_cast<long long>(length) * size - IconSize * stroke;
    return RoundedRatio(first * (length - 1) + span * offset, IconSize * (length - 1LL));
}

template <typename Pixel> class SizedCanvas {
  public:
    SizedCanvas(const Pixel* picture, int size, Pixel* sized)
        : picture(picture), size(size), sized(sized), stroke(StrokeWidth(size)) {}

    void Draw(const IconPlan& plan) {
        FillGround();
        for (const MarkBox& box : BandMarks)
            DrawMark(box);
        if (plan.background == PictureBackground::Unknown)
            for (const MarkBox& box : EllipsisDots)
                DrawMark(box);
        for (int i = 0; i < plan.glyphCount; ++i)
            DrawMark(MarkBox{plan.glyphs[i].iconLeft, GlyphTop, plan.glyphs[i].width, GlyphHeight});
    }

  private:
    Pixel At(int x, int y) const { return picture[y * IconSize + x]; }
    // The band's or the field's colour, as in column 0, where no mark comes.
    Pixel GroundAt(int y) const { return y < BandHeight ? At(0, 0) : At(0, IconSize - 1); }

    void FillGround() {
        const int bandRows = RoundedRatio(static_cast<long long>(BandHeight) * size, IconSize);
        for (int y = 0; y < size; ++y)
            std::fill(sized + y * size, sized + (y + 1) * size,
                      GroundAt(y < bandRows ? 0 : IconSize - 1));
    }

    void Square(int left, int top, Pixel colour) {
        for (int y = std::max(top, 0); y < std::min(top + stroke, size); ++y)
            for (int x = std::max(left, 0); x < std::min(left + stroke, size); ++x)
                sized[y * size + x] = colour;
    }

    // Squares a stroke wide after the one at (left, top) towards the one at
    // (right, bottom), at most a stroke apart, so that each touches the next
    // and they overlap no more than they must.
    void Line(int left, int top, int right, int bottom, Pixel colour) {
        const int dx = right - left, dy = bottom - top;
        const int steps = (std::max(std::abs(dx), std::abs(dy)) + stroke - 1) / stroke;
        for (int step = 1; step < steps; ++step)
            Square(left + RoundedRatio(static_cast<long long>(dx) * step, steps),
                   top + RoundedRatio(static_cast<long long>(dy) * step, steps), colour);
    }

    // Each mark pixel becomes a square and joins its neighbours below and to
    // the right, and those diagonally below where no straight neighbour
    // already joins them.
    void DrawMark(const MarkBox& box) {
        int lefts[IconSize], tops[IconSize];
        for (int i = 0; i < box.width; ++i)
            lefts[i] = PlaceStroke(box.left, box.width, i, size, stroke);
        for (int i = 0; i < box.height; ++i)
            tops[i] = PlaceStroke(box.top, box.height, i, size, stroke);
        const auto isMark = [&](int i, int j) {
            return i >= 0 && i < box.width && j < box.height &&
                   At(box.left + i, box.top + j) != GroundAt(box.top + j);
        };
        for (int j = 0; j < box.height; ++j)
            for (int i = 0; i < box.width; ++i) {
                if (!isMark(i, j)) continue;
                const Pixel colour = At(box.left + i, box.top + j);
                Square(lefts[i], tops[j], colour);
                if (isMark(i + 1, j)) Line(lefts[i], tops[j], lefts[i + 1], tops[j], colour);
                if (isMark(i, j + 1)) Line(lefts[i], tops[j], lefts[i], tops[j + 1], colour);
                for (int side : {-1, 1})
                    if (isMark(i + side, j + 1) && !isMark(i + side, j) && !isMark(i, j + 1))
                        Line(lefts[i], tops[j], lefts[i + side], tops[j + 1], colour);
            }
    }

    const Pixel* picture;
    int size;
    Pixel* sized;
    int stroke;
};

} // namespace

int TrayIconSize(int dotsPerInch) {
    if (dotsPerInch <= BaseDotsPerInch) return IconSize;
    // Rounded as the shell rounds (MulDiv): 120 dots per inch give 20 pixels.
    const long long shown =
        RoundedRatio(static_cast<long long>(IconSize) * dotsPerInch, BaseDotsPerInch);
    return static_cast<int>(std::min<long long>(shown, LargestIconSize));
}

int StrokeWidth(int size) {
    return size / IconSize;
}

template <typename Pixel>
void DrawPictureAtSize(const IconPlan& plan, const Pixel* picture, int size, Pixel* sized) {
    SizedCanvas<Pixel>(picture, size, sized).Draw(plan);
}

template void DrawPictureAtSize(const IconPlan&, const uint16_t*, int, uint16_t*);
template void DrawPictureAtSize(const IconPlan&, const uint32_t*, int, uint32_t*);
