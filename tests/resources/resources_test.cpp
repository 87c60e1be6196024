// The committed resources: that the generator makes them again byte for byte, their layouts,
// and what they show at known places.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

const std::string kResources = VARNITZ_RESOURCES_DIR;

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

unsigned U16(const Bytes& b, std::size_t at) { return unsigned(b[at] | b[at + 1] << 8); }
std::uint32_t U32(const Bytes& b, std::size_t at) { return U16(b, at) | std::uint32_t(U16(b, at + 2)) << 16; }
std::int32_t I32(const Bytes& b, std::size_t at) { return std::int32_t(U32(b, at)); }

// ---- Generator ----------------------------------------------------------------------------

TEST(Generator, WritesTheCommittedFilesAgain) {
    char folder[] = "/tmp/varnitz_resources_XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string command = std::string("\"") + VARNITZ_RESOURCE_GENERATOR + "\" " + folder;
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    for (const char* name : {"plate_picture.bmp", "program_icon.ico"}) {
        SCOPED_TRACE(name);
        const Bytes made = ReadFile(std::string(folder) + "/" + name);
        const Bytes committed = ReadFile(kResources + "/" + name);
        EXPECT_FALSE(committed.empty());
        EXPECT_TRUE(made == committed) << "regenerate the files in resources/ (see generator/main.cpp)";
        std::remove((std::string(folder) + "/" + name).c_str());
    }
    rmdir(folder);
}

// ---- Plate picture ------------------------------------------------------------------------

class PlatePicture : public ::testing::Test {
protected:
    static constexpr int kFileHeader = 14;
    static constexpr int kWidth = 240, kHeight = 250;

    struct Rgb {
        int r, g, b;
    };
    // (x, y) from the top left; the rows are stored bottom-up.
    Rgb At(int x, int y) const {
        const std::size_t at = kFileHeader + 40 + std::size_t(kHeight - 1 - y) * kWidth * 3 + std::size_t(x) * 3;
        return {file[at + 2], file[at + 1], file[at]};
    }
    std::uint32_t Hex(int x, int y) const {
        const Rgb p = At(x, y);
        return std::uint32_t(p.r << 16 | p.g << 8 | p.b);
    }
    int PureRedIn(int left, int top, int right, int bottom) const {
        int count = 0;
        for (int y = top; y <= bottom; ++y) {
            for (int x = left; x <= right; ++x) count += Hex(x, y) == 0xFF0000;
        }
        return count;
    }

    Bytes file = ReadFile(kResources + "/plate_picture.bmp");
};

TEST_F(PlatePicture, FileHeaderThenTheBitmapResource) {
    ASSERT_EQ(file.size(), 14u + 180042u);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(U32(file, 2), 180056u);  // file size
    EXPECT_EQ(U32(file, 10), 54u);     // offset of the pixels
    // What windres keeps: the BITMAPINFOHEADER ...
    EXPECT_EQ(U32(file, 14), 40u);
    EXPECT_EQ(I32(file, 18), 240);
    EXPECT_EQ(I32(file, 22), 250);  // bottom-up
    EXPECT_EQ(U16(file, 26), 1u);
    EXPECT_EQ(U16(file, 28), 24u);
    EXPECT_EQ(U32(file, 30), 0u);  // BI_RGB
    EXPECT_EQ(U32(file, 34), 180002u);
    EXPECT_EQ(I32(file, 38), 2834);
    EXPECT_EQ(I32(file, 42), 2834);
    EXPECT_EQ(U32(file, 46), 0u);
    EXPECT_EQ(U32(file, 50), 0u);
    // ... 250 rows of 720 bytes and two zero bytes.
    EXPECT_EQ(file[file.size() - 2], 0);
    EXPECT_EQ(file[file.size() - 1], 0);
}

TEST_F(PlatePicture, BackgroundIsBlack) {
    for (auto [x, y] : {std::pair{0, 0}, {239, 0}, {0, 249}, {239, 249}, {120, 20}, {20, 230}, {230, 180}}) {
        EXPECT_EQ(Hex(x, y), 0x000000u) << x << "," << y;
    }
    int black = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) black += Hex(x, y) == 0;
    }
    const double share = double(black) / (kWidth * kHeight);
    EXPECT_GT(share, 0.60);
    EXPECT_LT(share, 0.66);
}

TEST_F(PlatePicture, SlabFaces) {
    EXPECT_EQ(Hex(25, 133), 0x487576u);   // top, by the left corner
    EXPECT_EQ(Hex(226, 97), 0x487576u);   // top, by the right corner
    EXPECT_EQ(Hex(107, 52), 0x487576u);   // top, by the back corner
    EXPECT_EQ(Hex(80, 172), 0x0A1010u);   // left front face
    EXPECT_EQ(Hex(200, 154), 0x1D2F2Fu);  // right front face
    EXPECT_EQ(Hex(161, 222), 0x000000u);  // below the front corner
}

TEST_F(PlatePicture, PlateIsEvenlyLitGrey) {
    for (auto [x, y] : {std::pair{127, 121}, {111, 62}, {42, 126}, {212, 98}, {156, 180}}) {
        const Rgb p = At(x, y);
        EXPECT_TRUE(p.r == p.g && p.g == p.b && p.r >= 0xAF && p.r <= 0xB3) << x << "," << y << ": " << std::hex
                                                                              << Hex(x, y);
    }
    // The dark line along its front edges.
    for (auto [x, y] : {std::pair{96, 155}, {186, 141}}) {
        EXPECT_LT(At(x, y).r, 0x40) << x << "," << y;
    }
}

TEST_F(PlatePicture, CyanStripAlongThePlateFront) {
    for (auto [x, y] : {std::pair{45, 144}, {100, 171}, {156, 198}, {190, 150}, {213, 117}}) {
        EXPECT_EQ(Hex(x, y), 0x95C3C3u) << x << "," << y;
    }
}

TEST_F(PlatePicture, RedLettersAndDimensions) {
    EXPECT_GE(PureRedIn(41, 69, 46, 75), 12);    // a
    EXPECT_GE(PureRedIn(69, 183, 75, 192), 14);  // b
    EXPECT_GE(PureRedIn(190, 224, 196, 233), 14);
    // Nothing red outside the dimensioning: the letters' neighbourhoods are otherwise black.
    EXPECT_EQ(PureRedIn(41, 60, 46, 66), 0);
    EXPECT_EQ(PureRedIn(60, 196, 80, 210), 0);
    // Dimension lines: a between (10, 113) and (84, 45), b below the slab, d at x 181.
    EXPECT_GT(At(47, 79).r, 0xC0);
    EXPECT_GT(At(74, 179).r, 0xC0);
    EXPECT_EQ(Hex(181, 214), 0xFF0000u);
    EXPECT_EQ(Hex(181, 232), 0xFF0000u);
    // Edges smoothed: dark reds, no green or blue on black.
    int dark_reds = 0;
    for (int y = 60; y < 120; ++y) {
        for (int x = 0; x < 100; ++x) {
            const Rgb p = At(x, y);
            dark_reds += p.r > 0 && p.r < 0xC0 && p.g == 0 && p.b == 0;
        }
    }
    EXPECT_GT(dark_reds, 20);
}

// ---- Program icon -------------------------------------------------------------------------

class ProgramIcon : public ::testing::Test {
protected:
    struct Image {
        int size, bits;
        std::vector<std::uint32_t> rgb;
        std::vector<bool> clear;
        std::uint32_t Rgb(int x, int y) const { return rgb[std::size_t(y * size + x)]; }
        bool Clear(int x, int y) const { return clear[std::size_t(y * size + x)]; }
    };

    // The k-th image, decoded from its icon-image layout.
    Image Decode(int k) const {
        const std::size_t at = U32(file, 6 + 16 * std::size_t(k) + 12);
        Image image{I32(file, at + 4), int(U16(file, at + 14)), {}, {}};
        const int n = image.size;
        const std::size_t palette = at + 40;
        const std::size_t colour_rows = palette + (std::size_t(4) << image.bits);
        const std::size_t colour_row = std::size_t((n * image.bits + 31) / 32 * 4);
        const std::size_t mask_rows = colour_rows + colour_row * std::size_t(n);
        const std::size_t mask_row = std::size_t((n + 31) / 32 * 4);
        for (int y = 0; y < n; ++y) {
            const std::size_t row = std::size_t(n - 1 - y);
            for (int x = 0; x < n; ++x) {
                const std::uint8_t byte = file[colour_rows + row * colour_row + std::size_t(x * image.bits / 8)];
                const int index = image.bits == 8 ? byte : (x % 2 == 0 ? byte >> 4 : byte & 15);
                const std::size_t entry = palette + std::size_t(index) * 4;
                image.rgb.push_back(std::uint32_t(file[entry + 2] << 16 | file[entry + 1] << 8 | file[entry]));
                image.clear.push_back(file[mask_rows + row * mask_row + std::size_t(x / 8)] & (0x80 >> (x % 8)));
            }
        }
        return image;
    }

    Bytes file = ReadFile(kResources + "/program_icon.ico");
};

TEST_F(ProgramIcon, DirectoryOfThreeImages) {
    ASSERT_EQ(file.size(), 6u + 3 * 16 + 296 + 744 + 3752);
    EXPECT_EQ(U16(file, 0), 0u);
    EXPECT_EQ(U16(file, 2), 1u);
    EXPECT_EQ(U16(file, 4), 3u);
    struct Entry {
        unsigned size, colours, bits;
        std::uint32_t bytes;
    };
    const Entry expected[] = {{16, 16, 4, 296}, {32, 16, 4, 744}, {48, 0, 8, 3752}};
    std::uint32_t offset = 54;
    for (std::size_t k = 0; k < 3; ++k) {
        SCOPED_TRACE(k);
        const std::size_t e = 6 + 16 * k;
        EXPECT_EQ(file[e], expected[k].size);
        EXPECT_EQ(file[e + 1], expected[k].size);
        EXPECT_EQ(file[e + 2], expected[k].colours);
        EXPECT_EQ(file[e + 3], 0);
        EXPECT_EQ(U16(file, e + 4), 1u);
        EXPECT_EQ(U16(file, e + 6), expected[k].bits);
        EXPECT_EQ(U32(file, e + 8), expected[k].bytes);
        EXPECT_EQ(U32(file, e + 12), offset);
        // BITMAPINFOHEADER with the height counting colour rows and mask rows.
        EXPECT_EQ(U32(file, offset), 40u);
        EXPECT_EQ(I32(file, offset + 4), int(expected[k].size));
        EXPECT_EQ(I32(file, offset + 8), int(2 * expected[k].size));
        EXPECT_EQ(U16(file, offset + 12), 1u);
        EXPECT_EQ(U16(file, offset + 14), expected[k].bits);
        EXPECT_EQ(U32(file, offset + 16), 0u);
        offset += expected[k].bytes;
    }
}

TEST_F(ProgramIcon, SmallImageIsTheSymbolAlone) {
    const Image icon = Decode(0);
    // The lead row: edge clear, lead, solid plate, gap, hollow plate with its clear inside, lead.
    std::string row;
    for (int x = 0; x < 16; ++x) row += icon.Clear(x, 7) ? '.' : '#';
    EXPECT_EQ(row, ".######..#.####.");
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            if (!icon.Clear(x, y)) {
                EXPECT_EQ(icon.Rgb(x, y), 0x000000u) << x << "," << y;
            }
        }
    }
    // Plates 11 pixels high, leads 3.
    int plate = 0, lead = 0;
    for (int y = 0; y < 16; ++y) {
        plate += !icon.Clear(5, y);
        lead += !icon.Clear(2, y);
    }
    EXPECT_EQ(plate, 11);
    EXPECT_EQ(lead, 3);
}

TEST_F(ProgramIcon, MediumImageIsTheCan) {
    const Image icon = Decode(1);
    EXPECT_TRUE(icon.Clear(0, 0) && icon.Clear(31, 0) && icon.Clear(2, 20) && icon.Clear(15, 5));
    EXPECT_EQ(icon.Rgb(8, 29), 0x808080u);   // can
    EXPECT_EQ(icon.Rgb(11, 6), 0xC0C0C0u);   // terminal
    EXPECT_EQ(icon.Rgb(11, 2), 0x808080u);   // its cap
    EXPECT_EQ(icon.Rgb(15, 15), 0x000000u);  // circle
    EXPECT_EQ(icon.Rgb(13, 22), 0x000000u);  // plate
    EXPECT_FALSE(icon.Clear(15, 22));
}

TEST_F(ProgramIcon, LargeImageIsTheCan) {
    const Image icon = Decode(2);
    EXPECT_TRUE(icon.Clear(0, 0) && icon.Clear(47, 0) && icon.Clear(4, 30) && icon.Clear(23, 8));
    // The can: 30 by 33 pixels at the bottom.
    int width = 0, height = 0;
    for (int x = 0; x < 48; ++x) width += icon.Rgb(x, 45) == 0x707070u;
    for (int y = 0; y < 48; ++y) height += icon.Rgb(10, y) == 0x707070u;
    EXPECT_EQ(width, 30);
    EXPECT_EQ(height, 33);
    EXPECT_EQ(icon.Rgb(16, 10), 0xC0C0C0u);  // terminals
    EXPECT_EQ(icon.Rgb(31, 10), 0xC0C0C0u);
    EXPECT_EQ(icon.Rgb(16, 4), 0x8C8C8Cu);   // caps
    EXPECT_EQ(icon.Rgb(23, 21), 0x000033u);  // circle
    EXPECT_EQ(icon.Rgb(20, 31), 0x000033u);  // plates
    EXPECT_EQ(icon.Rgb(27, 31), 0x000033u);
    EXPECT_EQ(icon.Rgb(23, 31), 0x707070u);  // between them
}

// ---- Manifest -----------------------------------------------------------------------------

TEST(Manifest, FourteenCrLfLinesOfAscii) {
    const Bytes file = ReadFile(kResources + "/Dorvel.manifest");
    ASSERT_EQ(file.size(), 622u);
    const std::string text(file.begin(), file.end());
    EXPECT_TRUE(std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x0A && c < 0x7F; }));
    EXPECT_EQ(text.rfind("<assembly ", 0), 0u);  // no BOM, no XML declaration
    std::vector<std::string> lines;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find("\r\n", start);
        lines.push_back(text.substr(start, end - start));
        if (end == std::string::npos) break;
        start = end + 2;
    }
    ASSERT_EQ(lines.size(), 14u);
    // Each element two blanks deeper than its parent.
    int depth = 0;
    for (const std::string& line : lines) {
        SCOPED_TRACE(line);
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos);
        const std::size_t indent = line.find('<');
        const bool closing = line.compare(indent, 2, "</") == 0;
        if (closing) --depth;
        EXPECT_EQ(indent, std::size_t(2 * depth));
        if (!closing && line.find("</") == std::string::npos) ++depth;
    }
    EXPECT_EQ(depth, 0);
}

TEST(Manifest, ElementsAndAttributes) {
    const Bytes file = ReadFile(kResources + "/Dorvel.manifest");
    const std::string text(file.begin(), file.end());
    const char* in_order[] = {
        R"(<assembly xmlns="urn:schemas-microsoft-com:asm.v1" manifestVersion="1.0">)",
        R"(<trustInfo xmlns="urn:schemas-microsoft-com:asm.v3">)",
        "<security>",
        "<requestedPrivileges>",
        R"(<requestedExecutionLevel level="asInvoker" uiAccess="false"></requestedExecutionLevel>)",
        "<dependency>",
        "<dependentAssembly>",
        R"(<assemblyIdentity type="win32" name="Microsoft.Windows.Common-Controls" version="6.0.0.0" )"
        R"(processorArchitecture="x86" publicKeyToken="6595b64144ccf1df" language="*"></assemblyIdentity>)",
        "</assembly>",
    };
    std::size_t at = 0;
    for (const char* piece : in_order) {
        const std::size_t found = text.find(piece, at);
        EXPECT_NE(found, std::string::npos) << piece;
        if (found != std::string::npos) at = found;
    }
}

}  // namespace
