#include "canvas.h"

#include <algorithm>
#include <cmath>

namespace varnitz::resgen {

Point Unit(Point v) {
    const double length = std::sqrt(v.x * v.x + v.y * v.y);
    return {v.x / length, v.y / length};
}

Polygon Stroke(Point from, Point to, double width) {
    const Point along = Unit(to - from);
    const Point side = (width / 2) * Point{-along.y, along.x};
    return {from + side, to + side, to - side, from - side};
}

Polygon Arrowhead(Point tip, Point direction, double length, double half_width) {
    const Point along = Unit(direction);
    const Point side = half_width * Point{-along.y, along.x};
    const Point base = tip - length * along;
    return {tip, base + side, base - side};
}

Canvas::Canvas(int width, int height, Rgb background)
    : width_(width), height_(height),
      samples_(std::size_t(width) * kScale * std::size_t(height) * kScale, background) {}

void Canvas::Fill(const Polygon& polygon, Rgb colour) { FillSamples(polygon, colour, nullptr); }

void Canvas::Fill(const Polygon& polygon, Rgb (*shade)(Point)) { FillSamples(polygon, {}, shade); }

void Canvas::FillSamples(const Polygon& polygon, Rgb colour, Rgb (*shade)(Point)) {
    const int columns = width_ * kScale;
    const int rows = height_ * kScale;
    // Sample (i, j) lies at picture position ((i + 0.5) / kScale - 0.5, (j + 0.5) / kScale - 0.5).
    auto position = [](int index) { return (index + 0.5) / kScale - 0.5; };
    auto first_index_at_or_after = [](double coordinate) {
        return int(std::ceil((coordinate + 0.5) * kScale - 0.5));
    };
    std::vector<double> crossings;
    for (int j = 0; j < rows; ++j) {
        const double y = position(j);
        crossings.clear();
        for (std::size_t k = 0; k < polygon.size(); ++k) {
            const Point p = polygon[k];
            const Point q = polygon[(k + 1) % polygon.size()];
            if ((p.y <= y && y < q.y) || (q.y <= y && y < p.y)) {
                crossings.push_back(p.x + (y - p.y) * (q.x - p.x) / (q.y - p.y));
            }
        }
        std::sort(crossings.begin(), crossings.end());
        for (std::size_t k = 0; k + 1 < crossings.size(); k += 2) {
            const int begin = std::max(0, first_index_at_or_after(crossings[k]));
            const int end = std::min(columns, first_index_at_or_after(crossings[k + 1]));
            for (int i = begin; i < end; ++i) {
                samples_[std::size_t(j) * std::size_t(columns) + std::size_t(i)] =
                    shade ? shade({position(i), y}) : colour;
            }
        }
    }
}

Canvas::Image Canvas::Resolve() const {
    Image image{width_, height_, std::vector<Rgb>(std::size_t(width_) * std::size_t(height_))};
    const int columns = width_ * kScale;
    constexpr int kSamples = kScale * kScale;
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            int r = 0, g = 0, b = 0;
            for (int j = y * kScale; j < (y + 1) * kScale; ++j) {
                for (int i = x * kScale; i < (x + 1) * kScale; ++i) {
                    const Rgb s = samples_[std::size_t(j) * std::size_t(columns) + std::size_t(i)];
                    r += s.r;
                    g += s.g;
                    b += s.b;
                }
            }
            image.At(x, y) = {std::uint8_t((r + kSamples / 2) / kSamples),
                              std::uint8_t((g + kSamples / 2) / kSamples),
                              std::uint8_t((b + kSamples / 2) / kSamples)};
        }
    }
    return image;
}

void Blend(Canvas::Image& image, int left, int top, const std::vector<std::string>& rows, Rgb colour) {
    // Coverage in quarters.
    auto quarters = [](char c) {
        switch (c) {
        case '.': return 1;
        case ':': return 2;
        case '+': return 3;
        case '#': return 4;
        default: return 0;
        }
    };
    auto mix = [](int under, int over, int q) { return std::uint8_t((under * (4 - q) + over * q + 2) / 4); };
    for (std::size_t row = 0; row < rows.size(); ++row) {
        for (std::size_t column = 0; column < rows[row].size(); ++column) {
            const int q = quarters(rows[row][column]);
            Rgb& p = image.At(left + int(column), top + int(row));
            p = {mix(p.r, colour.r, q), mix(p.g, colour.g, q), mix(p.b, colour.b, q)};
        }
    }
}

}  // namespace varnitz::resgen
