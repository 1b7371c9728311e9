#include "Output.hpp"

#include <cerrno>
#include <cstring>
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

std::string outputFailure(std::FILE* stream) {
    if (std::fflush(stream) == 0 && !std::ferror(stream))
        return {};
    return std::string("cannot write the output: ") + std::strerror(errno ? errno : EIO);
}

void ResultsWriter::put(std::string_view text) {
    if (!failure_.empty() || text.empty())
        return;
    if (std::fwrite(text.data(), 1, text.size(), out_) != text.size())
        failure_ = outputFailure(out_);
}

void ResultsWriter::write(std::string_view text) {
    constexpr std::size_t bufferLimit = 1u << 16;
    if (text.size() >= bufferLimit) {
        // Large runs go out as they are rather than through one more copy.
        drain();
        put(text);
        return;
    }
    buffer_ += text;
    if (buffer_.size() >= bufferLimit)
        drain();
}

void ResultsWriter::drain() {
    put(buffer_);
    buffer_.clear();
}

void ResultsWriter::flush() {
    drain();
    if (failure_.empty())
        failure_ = outputFailure(out_);
}

} // namespace app
