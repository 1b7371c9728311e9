#include "FileReading.hpp"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zem {

namespace {

std::string largerThan(std::size_t maximumBytes) {
    std::string text = "larger than "; // appended: GCC 12 warns falsely of literal + number
    text += std::to_string(maximumBytes >> 20);
    text += " MiB";
    return text;
}

} // namespace

FileRead readRegularFile(const std::string& path, std::size_t maximumBytes) {
    FileRead read;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        read.error = std::strerror(errno);
        return read;
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        read.error = std::strerror(errno);
    } else if (!S_ISREG(status.st_mode)) {
        read.error = "not a regular file";
    } else if (static_cast<unsigned long long>(status.st_size) > maximumBytes) {
        read.error = largerThan(maximumBytes);
    } else {
        std::string contents;
        contents.reserve(static_cast<std::size_t>(status.st_size));
        char buffer[65536];
        for (;;) {
            const auto got = ::read(fd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0) {
                read.error = std::strerror(errno);
                break;
            }
            if (got == 0) {
                read.contents = std::move(contents);
                break;
            }
            // A file that grows while read is read up to the bound.
            if (contents.size() + static_cast<std::size_t>(got) > maximumBytes) {
                read.error = largerThan(maximumBytes);
                break;
            }
            contents.append(buffer, static_cast<std::size_t>(got));
        }
    }
    ::close(fd);
    return read;
}

} // namespace zem
