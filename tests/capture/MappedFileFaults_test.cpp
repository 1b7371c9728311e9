// A capture file truncated by another program while it is read through its map: the run
// ends with an error instead of dying of SIGBUS; a fault elsewhere still ends the process.
#include "CaptureBytes.hpp"
#include "CaptureSource.hpp"

#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::size_t fileOctets = std::size_t{1} << 20;

// A file of `fileOctets` octets of 0xab in a fresh temporary folder.
std::string writeFile(const std::string& name) {
    const auto folder =
        std::filesystem::temp_directory_path() / ("mapped-faults-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const auto path = (folder / name).string();
    std::vector<std::uint8_t> octets(fileOctets, 0xab);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    std::fwrite(octets.data(), 1, octets.size(), file);
    std::fclose(file);
    return path;
}

TEST(MappedFileFaults, ATruncatedFileEndsTheReadingWithAnError) {
    const auto path = writeFile("cut.bin");
    auto bytes =
        capture::CaptureBytes::open(::open(path.c_str(), O_RDONLY), capture::Reading::kept);
    const auto before = bytes->peek(fileOctets);
    ASSERT_EQ(before.size(), fileOctets);
    EXPECT_EQ(before[fileOctets - 1], 0xab);
    ASSERT_EQ(::truncate(path.c_str(), 4096), 0);

    const auto after = bytes->peek(fileOctets); // the view is the same; its pages are gone
    EXPECT_EQ(after[100], 0xab);
    EXPECT_EQ(after[8192], 0);           // read as zeros, not a SIGBUS
    EXPECT_EQ(after[fileOctets - 1], 0); // and so is the rest after the first fault
    bytes->skip(1);
    try {
        bytes->peek(16);
        ADD_FAILURE() << "read on past the file's new end";
    } catch (const capture::CaptureError& error) {
        EXPECT_STREQ(error.what(), "the file was cut short while it was read (to at most 8192 "
                                   "octets)");
    }
    bytes.reset();
    std::filesystem::remove_all(std::filesystem::path(path).parent_path());
}

TEST(MappedFileFaultsDeathTest, AFaultOutsideAWatchedMapStillEndsTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto path = writeFile("other.bin");
    // A watched map is there too, so that the handler is installed.
    auto watched =
        capture::CaptureBytes::open(::open(path.c_str(), O_RDONLY), capture::Reading::kept);
    const int descriptor = ::open(path.c_str(), O_RDONLY);
    auto* map = static_cast<volatile const std::uint8_t*>(
        ::mmap(nullptr, fileOctets, PROT_READ, MAP_PRIVATE, descriptor, 0));
    ::close(descriptor);
    EXPECT_DEATH(
        {
            if (::truncate(path.c_str(), 0) == 0)
                std::printf("%d\n", map[fileOctets / 2]);
        },
        "");
    ::munmap(const_cast<std::uint8_t*>(map), fileOctets);
    watched.reset();
    std::filesystem::remove_all(std::filesystem::path(path).parent_path());
}

} // namespace
