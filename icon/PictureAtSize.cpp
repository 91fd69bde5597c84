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
    bool IsMark(const MarkBox& box, int x, int y) const {
        return x >= box.left && x < box.left + box.width && y >= box.top &&
               y < box.top + box.height && At(x, y) != GroundAt(y);
    }

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

    int PlaceX(const MarkBox& box, int x) const {
        return PlaceStroke(box.left, box.width, x - box.left, size, stroke);
    }
    int PlaceY(const MarkBox& box, int y) const {
        return PlaceStroke(box.top, box.height, y - box.top, size, stroke);
    }

    // Squares a stroke wide from the place of one mark pixel towards
    // another's, at most a stroke apart, so that each touches the next and
    // they overlap no more than they must.
    void Line(const MarkBox& box, int x0, int y0, int x1, int y1, Pixel colour) {
        const int left = PlaceX(box, x0), top = PlaceY(box, y0);
        const int dx = PlaceX(box, x1) - left, dy = PlaceY(box, y1) - top;
        const int steps = (std::max(std::abs(dx), std::abs(dy)) + stroke - 1) / stroke;
        for (int step = 0; step < steps; ++step)
            Square(left + RoundedRatio(static_cast<long long>(dx) * step, steps),
                   top + RoundedRatio(static_cast<long long>(dy) * step, steps), colour);
    }

    // Each mark pixel joins its neighbours below and to the right, and those
    // diagonally below where no straight neighbour already joins them; then
    // every pixel's own square goes on top, in its own colour.
    void DrawMark(const MarkBox& box) {
        for (int y = box.top; y < box.top + box.height; ++y)
            for (int x = box.left; x < box.left + box.width; ++x) {
                if (!IsMark(box, x, y)) continue;
                if (IsMark(box, x + 1, y)) Line(box, x, y, x + 1, y, At(x, y));
                if (IsMark(box, x, y + 1)) Line(box, x, y, x, y + 1, At(x, y));
                for (int side : {-1, 1})
                    if (IsMark(box, x + side, y + 1) && !IsMark(box, x + side, y) &&
                        !IsMark(box, x, y + 1))
                        Line(box, x, y, x + side, y + 1, At(x, y));
            }
        for (int y = box.top; y < box.top + box.height; ++y)
            for (int x = box.left; x < box.left + box.width; ++x)
                if (IsMark(box, x, y)) Square(PlaceX(box, x), PlaceY(box, y), At(x, y));
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
