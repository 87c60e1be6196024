// Raster helpers of the resource generator: an anti-aliased painter for the plate picture
// and little-endian byte output for the bitmap and icon files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace varnitz::resgen {

struct Rgb {
    std::uint8_t r, g, b;
};

constexpr Rgb Hex(std::uint32_t rgb) {
    return {std::uint8_t(rgb >> 16), std::uint8_t(rgb >> 8), std::uint8_t(rgb)};
}

// A point in picture pixels; (x, y) is the centre of the pixel in column x, row y.
struct Point {
    double x, y;
};

inline Point operator+(Point a, Point b) { return {a.x + b.x, a.y + b.y}; }
inline Point operator-(Point a, Point b) { return {a.x - b.x, a.y - b.y}; }
inline Point operator*(double k, Point a) { return {k * a.x, k * a.y}; }
Point Unit(Point v);

using Polygon = std::vector<Point>;

// A straight stroke of the given width from `from` to `to`, as a quadrilateral.
Polygon Stroke(Point from, Point to, double width);
// A filled arrowhead whose tip is at `tip`, pointing along `direction`.
Polygon Arrowhead(Point tip, Point direction, double length, double half_width);

// Shapes are painted in order onto point samples, kScale by kScale per pixel; Resolve averages
// them. Painting whole samples, not coverage, keeps shared edges of adjacent faces seamless.
class Canvas {
public:
    static constexpr int kScale = 8;

    Canvas(int width, int height, Rgb background);

    // Even-odd fill. `shade` gives the colour at a sample when present, else `colour` is used.
    void Fill(const Polygon& polygon, Rgb colour);
    void Fill(const Polygon& polygon, Rgb (*shade)(Point));

    struct Image {
        int width, height;
        std::vector<Rgb> pixels;  // rows from the top
        Rgb& At(int x, int y) { return pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)]; }
    };
    Image Resolve() const;

private:
    void FillSamples(const Polygon& polygon, Rgb colour, Rgb (*shade)(Point));

    int width_, height_;
    std::vector<Rgb> samples_;
};

// Lays `colour` over the image with per-pixel coverage given by rows of characters:
// ' ' none, '.' a quarter, ':' half, '+' three quarters, '#' full. `left`, `top`: the first pixel.
void Blend(Canvas::Image& image, int left, int top, const std::vector<std::string>& rows, Rgb colour);

class Bytes {
public:
    void U8(unsigned v) { data.push_back(std::uint8_t(v)); }
    void U16(unsigned v) { U8(v & 0xFF); U8(v >> 8); }
    void U32(std::uint32_t v) { U16(v & 0xFFFF); U16(v >> 16); }
    void I32(std::int32_t v) { U32(std::uint32_t(v)); }
    void Append(const std::vector<std::uint8_t>& more) { data.insert(data.end(), more.begin(), more.end()); }

    std::vector<std::uint8_t> data;
};

}  // namespace varnitz::resgen
