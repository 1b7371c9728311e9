// A progress line on standard error while a capture file is read, when standard error is
// a terminal: after the first second, and once a second from then on. It is wiped when
// reading ends.
#pragma once

#include "CaptureSource.hpp"

#include <cstdint>

namespace app {

class Progress {
public:
    explicit Progress(const capture::CaptureSource& source);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    void update(std::uint64_t packets, std::uint64_t messages);

private:
    const capture::CaptureSource& source_;
    double start_, last_;
    bool active_, shown_ = false;
};

} // namespace app
