// FileReading: reading a file that a user names, which may be anything: a FIFO that never
// ends, /dev/zero, a directory, a file of gigabytes. Only a regular file no larger than
// the caller's bound is read; the answer says why anything else was refused, in words fit
// for an error line.
//
//   auto read = zem::readRegularFile(path, 16 << 20);
//   if (!read.contents) fail(path + ": " + read.error);
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace zem {

struct FileRead {
    std::optional<std::string> contents;
    std::string error; // when there are no contents: "not a regular file", ...
};

/// Opens without waiting (a FIFO with no writer does not block), then reads only a
/// regular file of at most `maximumBytes`.
FileRead readRegularFile(const std::string& path, std::size_t maximumBytes);

} // namespace zem
