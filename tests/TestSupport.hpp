// Helpers shared by the test programs.
#pragma once

#include "ByteView.hpp"
#include "MessageOrigin.hpp"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

namespace testing_support {

/// Octets from hexadecimal text (blanks allowed); aborts the test program on bad input.
inline zem::ByteBuffer hex(std::string_view text) {
    auto bytes = zem::parseHexBytes(text);
    if (!bytes)
        std::abort();
    return *bytes;
}

/// Where a message of one client's exchanges with one server came from: frame `frame`
/// at `time`, from the client (10.0.0.0, port 40000) to the server (192.0.0.0, port
/// 1812), or back.
inline zem::MessageOrigin exchangeOrigin(std::uint64_t frame, double time, bool fromClient) {
    zem::MessageOrigin origin;
    origin.frame = frame;
    origin.time = time;
    zem::IPAddress client, server;
    client.family = server.family = 4;
    client.bytes[0] = 10;
    server.bytes[0] = 192;
    origin.source = fromClient ? client : server;
    origin.destination = fromClient ? server : client;
    origin.sourcePort = fromClient ? 40000 : 1812;
    origin.destinationPort = fromClient ? 1812 : 40000;
    return origin;
}

/// A fresh folder under the system's temporary folder, removed at destruction.
class TemporaryFolder {
public:
    TemporaryFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "radius-test-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        path_ = pattern;
    }
    ~TemporaryFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

/// Removes every persistent and run-only value of the standard store.
void clearStandardStore();

/// What every test program does first: the plug-in's strings from the build's bundle,
/// UTC and the C locale, and the standard store in a temporary file.
void prepareTestProcess();
/// The standard store's file: made in `folder` the first time, the same path after.
std::string standardStorePath(const std::filesystem::path& folder = {});

} // namespace testing_support
