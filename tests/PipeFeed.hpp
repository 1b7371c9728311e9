// A capture handed to a reader through a named pipe, as a shell's <(...) hands it.
#pragma once

#include "PropertyList.hpp"

#include <algorithm>
#include <condition_variable>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace testing_support {

/// Makes the pipe `path()` in `folder` and writes `file` into it once a reader opens it:
/// the first `firstPart` octets at once, the rest once release() is called; writing
/// stops when the reader goes away.
class PipeFeed {
public:
    PipeFeed(const std::filesystem::path& folder, const std::string& file,
             std::size_t firstPart = SIZE_MAX)
        : path_((folder / "capture.fifo").string()) {
        // A reader that goes away must end the writing, not the test program.
        std::signal(SIGPIPE, SIG_IGN);
        if (::mkfifo(path_.c_str(), 0600) != 0)
            std::abort();
        thread_ = std::thread([this, file, firstPart] {
            const std::string octets = zem::readFile(file).value_or(std::string());
            const int out = ::open(path_.c_str(), O_WRONLY);
            if (out < 0)
                return;
            const auto at = write(out, octets, 0, std::min(firstPart, octets.size()));
            if (at < octets.size()) {
                std::unique_lock lock(mutex_);
                released_.wait(lock, [&] { return release_; });
            }
            write(out, octets, at, octets.size());
            ::close(out);
        });
    }
    ~PipeFeed() {
        release();
        thread_.join();
    }
    PipeFeed(const PipeFeed&) = delete;
    PipeFeed& operator=(const PipeFeed&) = delete;

    const std::string& path() const { return path_; }
    void release() {
        {
            std::lock_guard lock(mutex_);
            release_ = true;
        }
        released_.notify_all();
    }

private:
    // Answers where it got to: the end when the reader went away.
    static std::size_t write(int out, const std::string& octets, std::size_t from, std::size_t to) {
        while (from < to) {
            const auto n = ::write(out, octets.data() + from, to - from);
            if (n <= 0)
                return octets.size();
            from += static_cast<std::size_t>(n);
        }
        return from;
    }

    std::string path_;
    std::mutex mutex_;
    std::condition_variable released_;
    bool release_ = false;
    std::thread thread_;
};

} // namespace testing_support
