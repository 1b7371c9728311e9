// Running the built radius-analyzer as a user would, with a settings file of its own.
#pragma once

#include "TestSupport.hpp"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
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

/// What a peer printed, kept in peers/NAME.tsv (tests never run the peer): each line
/// starts with its capture ("samples/X" or "captures/DIR/X"), then the peer's fields.
/// Answers the lines by capture, each passed through `adjust`.
template <typename Adjust>
std::map<std::string, std::string> peerLines(const std::string& name, Adjust adjust) {
    std::ifstream peer(std::string(RADIUS_TEST_SOURCE_DIR) + "/peers/" + name);
    std::map<std::string, std::string> lines;
    for (std::string line; std::getline(peer, line);) {
        if (line.starts_with("#"))
            continue;
        const auto tab = line.find('\t');
        lines[line.substr(0, tab)] += adjust(line.substr(tab + 1)) + "\n";
    }
    return lines;
}

/// The path of a capture as peerLines() names it.
inline std::string peerCapturePath(const std::string& capture) {
    return capture.starts_with("samples/")
               ? std::string(RADIUS_SAMPLES_DIR) + "/" + capture.substr(8)
               : std::string(RADIUS_SHARED_DIR) + "/" + capture;
}

/// A generated capture of `messages` messages in `folder`.
inline std::string benchCapture(const std::filesystem::path& folder, int messages) {
    const auto path = (folder / "bench.pcap").string();
    const auto command = std::string(RADIUS_MAKE_SAMPLES_EXECUTABLE) + " --bench " +
                         std::to_string(messages) + " " + path + " >/dev/null";
    if (std::system(command.c_str()) != 0)
        return {};
    return path;
}

inline std::string contents(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace testing_support
