// Where the application writes its results. Standard output belongs to the results
// alone: the process's own descriptor 1 is pointed at standard error, so that anything a
// loaded plug-in prints for debugging cannot corrupt JSON or field output.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace app {

/// Moves the results stream aside and sends stray writes to standard error.
void reserveStandardOutput();
/// The results stream (standard output as the user sees it).
std::FILE* output();

/// Collects results into large writes: many small ones cost far more than the copy.
class ResultsWriter {
public:
    explicit ResultsWriter(std::FILE* out) : out_(out) {}
    ~ResultsWriter() { flush(); }
    ResultsWriter(const ResultsWriter&) = delete;
    ResultsWriter& operator=(const ResultsWriter&) = delete;

    void write(std::string_view text);
    /// Hands everything written so far to the stream and the stream to the system.
    void flush();
    std::FILE* stream() const { return out_; }
    /// Why the output could not be written (a full disk, say); empty while it could.
    const std::string& failure() const { return failure_; }

private:
    void drain();
    void put(std::string_view text);
    std::FILE* out_;
    std::string buffer_;
    std::string failure_;
};

/// Flushes a stream; answers why it could not be written, empty when it could.
std::string outputFailure(std::FILE* stream);

} // namespace app
