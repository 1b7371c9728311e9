#include "TestSupport.hpp"
#include "ZEMError.hpp"
#include "ZEMPlugInLoader.hpp"

#include <cmath>
#include <dlfcn.h>
#include <fstream>
#include <gtest/gtest.h>

namespace {

std::string loadError(const std::string& path) {
    try {
        zem::ZEMPlugInLoader::load(path);
    } catch (const zem::ZEMError& error) {
        EXPECT_EQ(error.errorCase(), zem::ZEMError::Case::bundleUnavailable);
        return error.what();
    }
    return "loaded";
}

void writeInfo(const std::filesystem::path& bundle, const std::string& executable) {
    std::ofstream(bundle / "Info.plist")
        << "<?xml version=\"1.0\"?><plist><dict><key>CFBundleExecutable</key><string>" << executable
        << "</string><key>NSPrincipalClass</key><string>Nobody</string></dict></plist>";
}

} // namespace

TEST(ZEMPlugInLoader, BrokenBundlesGiveOneClearError) {
    testing_support::TemporaryFolder folder;
    auto bundle = folder.path() / "Broken.bundle";
    EXPECT_NE(loadError(bundle.string()).find("no such bundle folder"), std::string::npos);
    std::filesystem::create_directories(bundle);
    EXPECT_NE(loadError(bundle.string()).find("Info.plist is missing"), std::string::npos);
    // Bundles are read once per path, so each broken variant gets a folder of its own.
    auto variant = [&](const std::string& name, const std::string& executable) {
        auto path = folder.path() / name;
        std::filesystem::create_directories(path);
        writeInfo(path, executable);
        return path;
    };
    EXPECT_NE(loadError(variant("NoCode.bundle", "missing.so").string()).find("missing.so"),
              std::string::npos);
    auto garbage = variant("Garbage.bundle", "garbage.so");
    std::ofstream(garbage / "garbage.so") << "not an ELF file";
    EXPECT_NE(loadError(garbage.string()).find("cannot load plug-in bundle"), std::string::npos);
    // A real shared object that exports no principal class: the C library's maths, which
    // no sanitizer instruments (a second copy of one of ours would register its globals
    // twice, which AddressSanitizer reports).
    auto foreign = variant("Foreign.bundle", "host.so");
    Dl_info maths{};
    ASSERT_NE(::dladdr(reinterpret_cast<void*>(static_cast<double (*)(double)>(&::cos)), &maths),
              0);
    std::filesystem::copy_file(maths.dli_fname, foreign / "host.so");
    EXPECT_NE(loadError(foreign.string()).find("principal class Nobody not found"),
              std::string::npos);
}
