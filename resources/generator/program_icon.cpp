// The program icon: a capacitor can with its terminals and, on its face, the capacitor symbol
// in a circle (48 and 32 pixels), and the symbol alone (16 pixels).
#include <cmath>
#include <iterator>
#include <utility>

#include "canvas.h"
#include "images.h"

namespace varnitz::resgen {
namespace {

// Palette index 0 is black; pixels left at kClear are transparent (and black underneath).
constexpr int kClear = -1;

struct IconImage {
    int size;
    int bits;  // 4 or 8
    std::vector<Rgb> palette;
    std::vector<int> pixels;  // palette indices or kClear, rows from the top

    IconImage(int size_, int bits_, std::vector<Rgb> palette_)
        : size(size_), bits(bits_), palette(std::move(palette_)), pixels(std::size_t(size_ * size_), kClear) {}

    void Rect(int left, int top, int width, int height, int index) {
        for (int y = top; y < top + height; ++y) {
            for (int x = left; x < left + width; ++x) pixels[std::size_t(y * size + x)] = index;
        }
    }
    // Pixels whose centres lie between `inner` and `outer` from (cx, cy).
    void Ring(double cx, double cy, double inner, double outer, int index) {
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                const double d = std::hypot(x - cx, y - cy);
                if (inner <= d && d <= outer) pixels[std::size_t(y * size + x)] = index;
            }
        }
    }
    // An insulator of `height` rows whose rows alternate between `width` and two pixels less,
    // starting and ending with a full row, under a cap of `cap_rows` rows and `cap_width` pixels.
    void Terminal(int centre, int top, int height, int width, int cap_width, int cap_rows, int body, int cap) {
        Rect(centre - cap_width / 2, top, cap_width, cap_rows, cap);
        for (int row = 0; row < height; ++row) {
            const int w = row % 2 == 0 ? width : width - 2;
            Rect(centre - w / 2, top + cap_rows + row, w, 1, body);
        }
    }
};

// The 16 colours of the standard VGA palette.
const std::vector<Rgb> kVgaPalette = {
    Hex(0x000000), Hex(0x800000), Hex(0x008000), Hex(0x808000), Hex(0x000080), Hex(0x800080),
    Hex(0x008080), Hex(0xC0C0C0), Hex(0x808080), Hex(0xFF0000), Hex(0x00FF00), Hex(0xFFFF00),
    Hex(0x0000FF), Hex(0xFF00FF), Hex(0x00FFFF), Hex(0xFFFFFF),
};
constexpr int kVgaBlack = 0, kVgaSilver = 7, kVgaGrey = 8;

IconImage Icon48() {
    enum { kBlackIndex, kCan, kInsulator, kCap, kSymbol };
    IconImage icon(48, 8, {Hex(0x000000), Hex(0x707070), Hex(0xC0C0C0), Hex(0x8C8C8C), Hex(0x000033)});
    icon.Rect(9, 15, 30, 33, kCan);
    icon.Terminal(16, 3, 9, 7, 5, 3, kInsulator, kCap);
    icon.Terminal(31, 3, 9, 7, 5, 3, kInsulator, kCap);
    icon.Ring(23.5, 31, 8.8, 10.3, kSymbol);
    icon.Rect(20, 26, 2, 11, kSymbol);  // plates
    icon.Rect(26, 26, 2, 11, kSymbol);
    icon.Rect(15, 31, 5, 1, kSymbol);   // leads
    icon.Rect(28, 31, 5, 1, kSymbol);
    return icon;
}

IconImage Icon32() {
    IconImage icon(32, 4, kVgaPalette);
    icon.Rect(6, 13, 19, 19, kVgaGrey);
    icon.Terminal(11, 2, 9, 5, 3, 2, kVgaSilver, kVgaGrey);
    icon.Terminal(20, 2, 9, 5, 3, 2, kVgaSilver, kVgaGrey);
    icon.Ring(15, 22, 6.5, 7.5, kVgaBlack);
    icon.Rect(12, 19, 2, 7, kVgaBlack);  // plates
    icon.Rect(17, 19, 2, 7, kVgaBlack);
    icon.Rect(9, 22, 3, 1, kVgaBlack);   // leads
    icon.Rect(19, 22, 3, 1, kVgaBlack);
    return icon;
}

IconImage Icon16() {
    IconImage icon(16, 4, kVgaPalette);
    icon.Rect(1, 6, 3, 3, kVgaBlack);   // left lead, from one pixel inside the edge
    icon.Rect(4, 2, 3, 11, kVgaBlack);  // solid plate
    icon.Rect(9, 2, 3, 11, kVgaBlack);  // hollow plate: its outline
    icon.Rect(10, 3, 1, 9, kClear);
    icon.Rect(12, 6, 3, 3, kVgaBlack);  // right lead
    return icon;
}

// The icon image layout: a BITMAPINFOHEADER with the height doubled, the colour table, the
// colour rows and then the mask rows (set bits transparent), bottom-up, each row padded to 4 bytes.
std::vector<std::uint8_t> Encode(const IconImage& icon) {
    const int n = icon.size;
    const int colours = 1 << icon.bits;
    const int colour_row = (n * icon.bits + 31) / 32 * 4;
    const int mask_row = (n + 31) / 32 * 4;
    Bytes out;
    out.U32(40);
    out.I32(n);
    out.I32(2 * n);
    out.U16(1);
    out.U16(unsigned(icon.bits));
    out.U32(0);  // BI_RGB
    out.U32(std::uint32_t((colour_row + mask_row) * n));
    for (int i = 0; i < 4; ++i) out.U32(0);  // resolution, colours used and important
    for (int i = 0; i < colours; ++i) {
        const Rgb c = i < int(icon.palette.size()) ? icon.palette[std::size_t(i)] : Hex(0);
        out.U8(c.b);
        out.U8(c.g);
        out.U8(c.r);
        out.U8(0);
    }
    auto at = [&](int x, int y) { return icon.pixels[std::size_t(y * n + x)]; };
    for (int y = n - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(std::size_t(colour_row), 0);
        for (int x = 0; x < n; ++x) {
            const int index = at(x, y) == kClear ? 0 : at(x, y);
            if (icon.bits == 8) {
                row[std::size_t(x)] = std::uint8_t(index);
            } else {
                row[std::size_t(x / 2)] |= std::uint8_t(x % 2 == 0 ? index << 4 : index);
            }
        }
        out.Append(row);
    }
    for (int y = n - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(std::size_t(mask_row), 0);
        for (int x = 0; x < n; ++x) {
            if (at(x, y) == kClear) row[std::size_t(x / 8)] |= std::uint8_t(0x80 >> (x % 8));
        }
        out.Append(row);
    }
    return out.data;
}

}  // namespace

std::vector<std::uint8_t> ProgramIconFile() {
    const IconImage icons[] = {Icon16(), Icon32(), Icon48()};
    constexpr unsigned kDirectory = 6, kEntry = 16;
    Bytes directory, images;
    directory.U16(0);
    directory.U16(1);  // icons, not cursors
    directory.U16(std::size(icons));
    for (const IconImage& icon : icons) {
        const std::vector<std::uint8_t> image = Encode(icon);
        directory.U8(unsigned(icon.size));
        directory.U8(unsigned(icon.size));
        directory.U8(icon.bits == 4 ? 16 : 0);  // colour count; 0 for 256 and more
        directory.U8(0);
        directory.U16(1);  // planes
        directory.U16(unsigned(icon.bits));
        directory.U32(std::uint32_t(image.size()));
        directory.U32(std::uint32_t(kDirectory + kEntry * std::size(icons) + images.data.size()));
        images.Append(image);
    }
    directory.Append(images.data);
    return directory.data;
}

}  // namespace varnitz::resgen
