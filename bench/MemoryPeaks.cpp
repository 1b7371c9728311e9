// The peak resident memory of a command, told apart: its own (anonymous) pages, and the
// pages of files it maps, which belong to the page cache and are shared with every other
// reader of the file. /usr/bin/time gives only their sum.
//   memory-peaks COMMAND [ARGUMENT...]    prints "ANON_KB FILE_KB" on standard error
// The command's standard output and error are its own; its exit status is passed on.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Resident {
    long anonymousKb = 0, fileKb = 0;
};

// The process's resident pages now; nothing once it has ended.
Resident residentOf(pid_t pid) {
    Resident now;
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("RssAnon:"))
            now.anonymousKb = std::atol(line.c_str() + 8);
        else if (line.starts_with("RssFile:"))
            now.fileKb = std::atol(line.c_str() + 8);
    }
    return now;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: memory-peaks COMMAND [ARGUMENT...]\n");
        return 2;
    }
    const pid_t child = fork();
    if (child < 0) {
        std::perror("memory-peaks: fork");
        return 2;
    }
    if (child == 0) {
        execvp(argv[1], argv + 1);
        std::fprintf(stderr, "memory-peaks: %s: %s\n", argv[1], std::strerror(errno));
        _exit(127);
    }
    Resident peak;
    int status = 0;
    // Looked at every millisecond: the runs measured last a tenth of a second or more.
    while (waitpid(child, &status, WNOHANG) == 0) {
        const auto now = residentOf(child);
        peak.anonymousKb = std::max(peak.anonymousKb, now.anonymousKb);
        peak.fileKb = std::max(peak.fileKb, now.fileKb);
        usleep(1000);
    }
    std::fprintf(stderr, "%ld %ld\n", peak.anonymousKb, peak.fileKb);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
