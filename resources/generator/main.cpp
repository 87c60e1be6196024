// Writes the binary resources of Dorvel.exe into a folder:
//   varnitz_resource_generator <folder>
// The files in resources/ are its output, committed so that building the program never runs it;
// a test runs it again and compares. After a change here, regenerate with
//   cmake --build build/linux --target varnitz_resource_generator
//   build/linux/tests/resources/generator/varnitz_resource_generator resources
#include <cstdio>
#include <fstream>
#include <string>

#include "images.h"

namespace {

bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    const bool ok = WriteFile(folder + "/plate_picture.bmp", varnitz::resgen::PlatePictureFile()) &&
                    WriteFile(folder + "/program_icon.ico", varnitz::resgen::ProgramIconFile());
    return ok ? 0 : 1;
}
