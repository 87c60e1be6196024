// The binary resources of Dorvel.exe, each as the file that Dorvel.rc names.
#pragma once

#include <cstdint>
#include <vector>

namespace varnitz::resgen {

// plate_picture.bmp: a 14-byte file header, then exactly the bytes of the BITMAP resource
// (which windres takes without the file header): a 40-byte BITMAPINFOHEADER for 240 x 250
// pixels of 24 bits, bottom-up, 180,000 bytes of pixels and two zero bytes, 180,042 in all.
std::vector<std::uint8_t> PlatePictureFile();

// program_icon.ico: the icon directory and the three images (16 x 16 and 32 x 32 with 16
// colours, 48 x 48 with 256), of 296, 744 and 3,752 bytes.
std::vector<std::uint8_t> ProgramIconFile();

}  // namespace varnitz::resgen
