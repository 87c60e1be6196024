// The capacitor drawing: a dielectric slab seen obliquely from above and the front left, the
// upper plate on it, and red dimensioning of the plate's sides a and b and the slab's
// thickness d.
#include "canvas.h"
#include "images.h"

namespace varnitz::resgen {
namespace {

constexpr int kWidth = 240;
constexpr int kHeight = 250;
constexpr int kRowBytes = kWidth * 3;  // already a multiple of 4
constexpr int kTrailingZeros = 2;      // counted by biSizeImage, after the last row
constexpr std::int32_t kPixelsPerMetre = 2834;  // 72 dots per inch

// Corners of the slab's top face and of the plate: left, back, right, front.
constexpr Point kSlabLeft{13, 133}, kSlabBack{107, 50}, kSlabRight{235, 96}, kSlabFront{161, 208};
constexpr double kSlabThickness = 9;
constexpr Point kPlateLeft{37, 126}, kPlateBack{111, 58}, kPlateRight{217, 97}, kPlateFront{156, 184};

// The cyan strip repeats the plate's front edges this far down on the slab, between these x.
constexpr double kStripTop = 12, kStripBottom = 17;
constexpr double kStripLeftX = 40, kStripRightX = 215;

constexpr double kExtensionGap = 3;      // from the corner to the start of an extension line
constexpr double kExtensionOverrun = 4;  // past the dimension line
constexpr double kRedLine = 1.2;
constexpr double kArrowLength = 6, kArrowHalfWidth = 2.5;

constexpr Rgb kSlabTopColour = Hex(0x487576);
constexpr Rgb kSlabLeftFaceColour = Hex(0x0A1010);
constexpr Rgb kSlabRightFaceColour = Hex(0x1D2F2F);
constexpr Rgb kStripColour = Hex(0x95C3C3);
constexpr Rgb kRed = Hex(0xFF0000);
constexpr Rgb kBlack = Hex(0x000000);

// Letters at their places, hand-hinted with smoothed edges (see Blend for the characters).
const std::vector<std::string> kLetterA = {
    " +##+ ",
    "    :#",
    " .+###",
    "+#.  #",
    "#.   #",
    "#: .+#",
    ".##+ #",
};
const std::vector<std::string> kLetterB = {
    "#      ",
    "#      ",
    "#      ",
    "# :##+ ",
    "#+   +:",
    "#     #",
    "#     #",
    "#     #",
    "#+   +:",
    "# :##+ ",
};
const std::vector<std::string> kLetterD = {
    "      #",
    "      #",
    "      #",
    " +##: #",
    ":+   +#",
    "#     #",
    "#     #",
    "#     #",
    ":+   +#",
    " +##: #",
};

Point Down(double dy) { return {0, dy}; }

double YOnLine(Point p, Point q, double x) { return p.y + (x - p.x) * (q.y - p.y) / (q.x - p.x); }

// Evenly lit, a shade lighter towards the back.
Rgb PlateShade(Point p) {
    const double t = (p.y - kPlateBack.y) / (kPlateFront.y - kPlateBack.y);
    const auto level = std::uint8_t(0xB3 - int(4 * t + 0.5));
    return {level, level, level};
}

// Extension lines from both ends of an edge along `outward`, a dimension line between them
// `offset` out, with an arrowhead at each end on the extension lines.
void DimensionEdge(Canvas& canvas, Point from, Point to, Point outward, double offset) {
    const Point out = Unit(outward);
    for (Point corner : {from, to}) {
        canvas.Fill(Stroke(corner + kExtensionGap * out,
                           corner + (offset + kExtensionOverrun) * out, kRedLine),
                    kRed);
    }
    const Point start = from + offset * out;
    const Point end = to + offset * out;
    canvas.Fill(Stroke(start, end, kRedLine), kRed);
    canvas.Fill(Arrowhead(start, start - end, kArrowLength, kArrowHalfWidth), kRed);
    canvas.Fill(Arrowhead(end, end - start, kArrowLength, kArrowHalfWidth), kRed);
}

// The thickness at the front corner: two extension lines along the plate's side b from the
// top and bottom edges of the right front face, a vertical dimension line across them and
// arrowheads pointing inwards onto them from outside.
void DimensionThickness(Canvas& canvas) {
    const Point along = Unit(kPlateFront - kPlateLeft);
    const double line_x = 181, end_x = 187;
    const Point top_start = kSlabFront + Point{1, 0.5};  // on the face's top edge, by the corner
    const Point bottom_start = top_start + Down(kSlabThickness);
    for (Point start : {top_start, bottom_start}) {
        canvas.Fill(Stroke(start, start + ((end_x - start.x) / along.x) * along, kRedLine), kRed);
    }
    const Point top_hit{line_x, top_start.y + (line_x - top_start.x) * along.y / along.x};
    const Point bottom_hit = top_hit + Down(kSlabThickness);
    const double overrun = kArrowLength + 3;
    canvas.Fill(Stroke(top_hit - Down(overrun), bottom_hit + Down(overrun), kRedLine), kRed);
    canvas.Fill(Arrowhead(top_hit, Down(1), kArrowLength, kArrowHalfWidth), kRed);
    canvas.Fill(Arrowhead(bottom_hit, Down(-1), kArrowLength, kArrowHalfWidth), kRed);
}

Canvas::Image Draw() {
    Canvas canvas(kWidth, kHeight, kBlack);
    const Point depth = Down(kSlabThickness);
    canvas.Fill({kSlabLeft, kSlabFront, kSlabFront + depth, kSlabLeft + depth}, kSlabLeftFaceColour);
    canvas.Fill({kSlabFront, kSlabRight, kSlabRight + depth, kSlabFront + depth}, kSlabRightFaceColour);
    canvas.Fill({kSlabLeft, kSlabBack, kSlabRight, kSlabFront}, kSlabTopColour);

    const Point strip_left{kStripLeftX, YOnLine(kPlateLeft, kPlateFront, kStripLeftX)};
    const Point strip_right{kStripRightX, YOnLine(kPlateFront, kPlateRight, kStripRightX)};
    canvas.Fill({strip_left + Down(kStripTop), kPlateFront + Down(kStripTop), strip_right + Down(kStripTop),
                 strip_right + Down(kStripBottom), kPlateFront + Down(kStripBottom),
                 strip_left + Down(kStripBottom)},
                kStripColour);

    canvas.Fill({kPlateLeft, kPlateBack, kPlateRight, kPlateFront}, PlateShade);
    canvas.Fill(Stroke(kPlateLeft, kPlateFront, 1), kBlack);
    canvas.Fill(Stroke(kPlateFront, kPlateRight, 1), kBlack);

    const Point side_a = kPlateBack - kPlateLeft;
    const Point side_b = kPlateFront - kPlateLeft;
    DimensionEdge(canvas, kPlateLeft, kPlateBack, -1 * side_b, 30);
    DimensionEdge(canvas, kPlateLeft, kPlateFront, -1 * side_a, 34);  // clear of the slab's left face
    DimensionThickness(canvas);

    Canvas::Image image = canvas.Resolve();
    Blend(image, 41, 69, kLetterA, kRed);
    Blend(image, 69, 183, kLetterB, kRed);
    Blend(image, 190, 224, kLetterD, kRed);
    return image;
}

}  // namespace

std::vector<std::uint8_t> PlatePictureFile() {
    constexpr std::uint32_t kFileHeader = 14, kInfoHeader = 40;
    constexpr std::uint32_t kImageBytes = kRowBytes * kHeight + kTrailingZeros;
    Bytes out;
    out.U8('B');
    out.U8('M');
    out.U32(kFileHeader + kInfoHeader + kImageBytes);
    out.U32(0);
    out.U32(kFileHeader + kInfoHeader);  // offset of the pixels

    out.U32(kInfoHeader);
    out.I32(kWidth);
    out.I32(kHeight);  // positive: bottom-up
    out.U16(1);        // planes
    out.U16(24);       // bits per pixel
    out.U32(0);        // BI_RGB
    out.U32(kImageBytes);
    out.I32(kPixelsPerMetre);
    out.I32(kPixelsPerMetre);
    out.U32(0);  // colours used
    out.U32(0);  // colours important

    Canvas::Image image = Draw();
    for (int y = kHeight - 1; y >= 0; --y) {
        for (int x = 0; x < kWidth; ++x) {
            const Rgb p = image.At(x, y);
            out.U8(p.b);
            out.U8(p.g);
            out.U8(p.r);
        }
    }
    for (int i = 0; i < kTrailingZeros; ++i) out.U8(0);
    return out.data;
}

}  // namespace varnitz::resgen
