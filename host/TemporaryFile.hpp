// TemporaryFile: a scratch file in the temporary folder (TMPDIR, else /tmp), readable by
// its owner only and unlinked as soon as it is made, so that nothing of what it held is
// left behind, whatever ends the process. Every write and read is checked; the first
// failure is kept, in words that name the folder.
//
//   zem::TemporaryFile spill;              // throws TemporaryFileError
//   spill.write(text);                     // false once anything failed
//   spill.readBack([](std::string_view part) { ... });
#pragma once

#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace zem {

class TemporaryFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TemporaryFile {
public:
    /// The folder temporary files go to.
    static std::string folder();

    TemporaryFile();
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    bool write(std::string_view text);
    /// Hands what was written to the system; false when it could not take it all.
    bool flush();
    /// Hands everything written back, piece by piece; false when it could not be read.
    bool readBack(const std::function<void(std::string_view)>& read);
    /// Why a write or read failed; empty while none did.
    const std::string& failure() const { return failure_; }

private:
    void fail(const char* what);

    std::string folder_;
    std::FILE* file_ = nullptr;
    std::string failure_;
};

} // namespace zem
