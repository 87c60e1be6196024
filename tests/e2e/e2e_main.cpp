// The end-to-end driver: a Windows console program that runs Dorvel.exe and drives it from outside.
// Usage: varnitz_e2e_driver --dorvel=<path of Dorvel.exe> [--artifacts=<directory>] [gtest options]
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "dorvel.h"

namespace {

class PendingExits : public ::testing::Environment {
public:
    void TearDown() override { e2e::CheckPendingExits(); }
};

std::string DirectoryOfThisProgram() {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string directory = path;
    const size_t slash = directory.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : directory.substr(0, slash);
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    std::string dorvel;
    std::string artifacts = ".";
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--dorvel=", 9) == 0) dorvel = argv[i] + 9;
        else if (std::strncmp(argv[i], "--artifacts=", 12) == 0) artifacts = argv[i] + 12;
        else {
            std::fprintf(stderr, "unknown argument %s\n", argv[i]);
            return 2;
        }
    }
    if (dorvel.empty() || GetFileAttributesA(dorvel.c_str()) == INVALID_FILE_ATTRIBUTES) {
        std::fprintf(stderr, "usage: %s --dorvel=<Dorvel.exe> [--artifacts=<directory>]; no program at \"%s\"\n",
                     argv[0], dorvel.c_str());
        return 2;
    }
    CreateDirectoryA(artifacts.c_str(), nullptr);
    e2e::SetDorvelPath(dorvel);
    e2e::SetArtifactDirectory(artifacts);
    e2e::SetProbePath(DirectoryOfThisProgram() + "\\" + e2e::kProbeDllName);
    ::testing::AddGlobalTestEnvironment(new PendingExits);
    return RUN_ALL_TESTS();
}
