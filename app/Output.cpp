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
