#include "Progress.hpp"

#include <cstdio>
#include <ctime>
#include <unistd.h>

namespace app {

namespace {

double now() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

} // namespace

Progress::Progress(const capture::CaptureSource& source)
    : source_(source), start_(now()), last_(start_), active_(isatty(STDERR_FILENO) != 0) {}

Progress::~Progress() {
    if (shown_)
        std::fputs("\r\x1b[K", stderr);
}

void Progress::update(std::uint64_t packets, std::uint64_t messages) {
    // The clock is read only every 1024 packets: it costs more than a packet.
    if (!active_ || (packets & 1023) != 0)
        return;
    const double t = now();
    if (t - start_ < 1 || t - last_ < 1)
        return;
    last_ = t;
    shown_ = true;
    const auto p = static_cast<unsigned long long>(packets);
    const auto m = static_cast<unsigned long long>(messages);
    const char* name = source_.name().c_str();
    if (auto share = source_.fractionRead())
        std::fprintf(stderr, "\r%s: %3.0f%%, %llu packets, %llu RADIUS messages", name,
                     100.0 * *share, p, m);
    else
        std::fprintf(stderr, "\r%s: %llu packets, %llu RADIUS messages", name, p, m);
}

} // namespace app
