#include "Output.hpp"

#include <unistd.h>

namespace app {

namespace {
std::FILE* results = nullptr;
}

void reserveStandardOutput() {
    std::fflush(stdout);
    int copy = dup(STDOUT_FILENO);
    if (copy < 0)
        return;
    results = fdopen(copy, "w");
    if (!results) {
        close(copy);
        return;
    }
    dup2(STDERR_FILENO, STDOUT_FILENO);
}

std::FILE* output() {
    return results ? results : stdout;
}

} // namespace app

namespace app {

void ResultsWriter::write(std::string_view text) {
    constexpr std::size_t bufferLimit = 1u << 16;
    if (text.size() >= bufferLimit) {
        // Large runs go out as they are rather than through one more copy.
        drain();
        std::fwrite(text.data(), 1, text.size(), out_);
        return;
    }
    buffer_ += text;
    if (buffer_.size() >= bufferLimit)
        drain();
}

void ResultsWriter::drain() {
    if (!buffer_.empty()) {
        std::fwrite(buffer_.data(), 1, buffer_.size(), out_);
        buffer_.clear();
    }
}

void ResultsWriter::flush() {
    drain();
    std::fflush(out_);
}

} // namespace app
