// How long a cache line takes to go from one core to another and back: the price of every
// hand-over between the reading thread and the render workers. bench/compare-peers
// prints it beside the floors, since it decides whether a second core shortens a run
// whose work per message is small (summary lines, fields, statistics) or only adds to it.
//   core-round-trip [ROUNDS]    prints the median of five runs, in nanoseconds
#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <pthread.h>
#include <sched.h>
#include <thread>

namespace {

// The first two processors this process may run on, or nothing on a single one.
bool twoProcessors(std::array<std::size_t, 2>& chosen) {
    cpu_set_t allowed;
    if (sched_getaffinity(0, sizeof allowed, &allowed) != 0)
        return false;
    std::size_t found = 0;
    for (std::size_t cpu = 0; cpu < CPU_SETSIZE && found < chosen.size(); ++cpu)
        if (CPU_ISSET(cpu, &allowed))
            chosen[found++] = cpu;
    return found == chosen.size();
}

void pinTo(std::size_t cpu) {
    cpu_set_t only;
    CPU_ZERO(&only);
    CPU_SET(cpu, &only);
    pthread_setaffinity_np(pthread_self(), sizeof only, &only);
}

// One line, written in turn by each side: odd values by the first, even by the second.
double nanosecondsPerRoundTrip(const std::array<std::size_t, 2>& cpus, long rounds) {
    alignas(64) std::atomic<long> turn{0};
    std::thread answering([&] {
        pinTo(cpus[1]);
        for (long i = 0; i < rounds; ++i) {
            while (turn.load(std::memory_order_acquire) != 2 * i + 1) {
            }
            turn.store(2 * i + 2, std::memory_order_release);
        }
    });
    pinTo(cpus[0]);
    const auto start = std::chrono::steady_clock::now();
    for (long i = 0; i < rounds; ++i) {
        turn.store(2 * i + 1, std::memory_order_release);
        while (turn.load(std::memory_order_acquire) != 2 * i + 2) {
        }
    }
    const auto elapsed = std::chrono::steady_clock::now() - start;
    answering.join();
    return std::chrono::duration<double, std::nano>(elapsed).count() / static_cast<double>(rounds);
}

} // namespace

int main(int argc, char** argv) {
    const long rounds = argc > 1 ? std::atol(argv[1]) : 200000;
    std::array<std::size_t, 2> cpus{};
    if (rounds <= 0 || argc > 2) {
        std::fprintf(stderr, "usage: core-round-trip [ROUNDS]\n");
        return 2;
    }
    if (!twoProcessors(cpus)) {
        std::fprintf(stderr, "core-round-trip: this process may run on one processor only\n");
        return 1;
    }
    std::array<double, 5> runs{};
    for (auto& run : runs)
        run = nanosecondsPerRoundTrip(cpus, rounds);
    std::sort(runs.begin(), runs.end());
    std::printf("%.0f\n", runs[runs.size() / 2]);
    return 0;
}
