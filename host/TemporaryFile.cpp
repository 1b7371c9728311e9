#include "TemporaryFile.hpp"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace zem {

std::string TemporaryFile::folder() {
    const char* tmpdir = std::getenv("TMPDIR");
    return tmpdir && *tmpdir ? tmpdir : "/tmp";
}

TemporaryFile::TemporaryFile() : folder_(folder()) {
    std::string name = folder_ + "/radius-analyzer-XXXXXX";
    const int fd = ::mkstemp(name.data()); // made readable by its owner only
    if (fd < 0)
        throw TemporaryFileError("cannot make a temporary file in " + folder_ + ": " +
                                 std::strerror(errno) + " (set TMPDIR to another folder)");
    ::unlink(name.c_str());
    file_ = ::fdopen(fd, "w+b");
    if (!file_) {
        const int error = errno;
        ::close(fd);
        throw TemporaryFileError("cannot use a temporary file in " + folder_ + ": " +
                                 std::strerror(error));
    }
}

TemporaryFile::~TemporaryFile() {
    if (file_)
        std::fclose(file_);
}

void TemporaryFile::fail(const char* what) {
    if (failure_.empty())
        failure_ = std::string("cannot ") + what + " a temporary file in " + folder_ + ": " +
                   std::strerror(errno ? errno : EIO) + " (set TMPDIR to another folder)";
}

bool TemporaryFile::write(std::string_view text) {
    if (!failure_.empty())
        return false;
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), file_) != text.size()) {
        fail("write");
        return false;
    }
    return true;
}

bool TemporaryFile::flush() {
    if (!failure_.empty())
        return false;
    errno = 0;
    if (std::fflush(file_) != 0 || std::ferror(file_)) {
        fail("write");
        return false;
    }
    return true;
}

bool TemporaryFile::readBack(const std::function<void(std::string_view)>& read) {
    if (!flush())
        return false;
    std::rewind(file_);
    char buffer[65536];
    while (const std::size_t got = std::fread(buffer, 1, sizeof buffer, file_))
        read(std::string_view(buffer, got));
    if (std::ferror(file_)) {
        fail("read");
        return false;
    }
    return true;
}

} // namespace zem
