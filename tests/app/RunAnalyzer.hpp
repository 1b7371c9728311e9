// Running the built radius-analyzer as a user would, with a settings file of its own.
#pragma once

#include "TestSupport.hpp"

#include <cstdio>
#include <string>
#include <sys/wait.h>

namespace testing_support {

struct AnalyzerRun {
    int status;         // the exit status; -1 when it did not exit
    std::string output; // standard output, then standard error after it
};

/// `arguments` are shell words; TZ is UTC, as the dates the tests expect are.
inline AnalyzerRun runAnalyzer(const std::string& arguments) {
    TemporaryFolder folder;
    const std::string command =
        "env TZ=UTC RADIUS_ANALYZER_DEFAULTS=" + (folder.path() / "defaults.plist").string() + " " +
        RADIUS_ANALYZER_EXECUTABLE + " " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    std::string output;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
        output.append(buffer, n);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

} // namespace testing_support
