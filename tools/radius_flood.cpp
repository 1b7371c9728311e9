// radius-flood: sends Access-Requests over UDP at a steady rate or in bursts, to measure
// how much of a flood a live capture keeps. It sends to an address of this machine only
// (loopback by default) and stops by itself.
//
//   radius-flood --rate 50000 --seconds 20                 # smooth: 50 each millisecond
//   radius-flood --rate 10000 --seconds 5 --burst 1000     # 1,000 at once, ten a second
//
// Prints how many datagrams it sent, which is what the capture should count.
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <getopt.h>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

struct Settings {
    std::uint64_t rate = 10000; // datagrams a second
    double seconds = 5;
    std::uint64_t burst = 0; // 0: smooth, one tick a millisecond
    std::string address = "127.0.0.1";
    std::uint16_t port = 1812;
};

int usage() {
    std::fprintf(stderr, "usage: radius-flood [--rate N] [--seconds S] [--burst B] [--address "
                         "A] [--port P]\n");
    return 2;
}

// An Access-Request with User-Name and NAS-IP-Address; the Identifier and the
// authenticator change with each datagram.
std::vector<std::uint8_t> request(std::uint64_t n) {
    std::vector<std::uint8_t> octets = {1, static_cast<std::uint8_t>(n), 0, 0};
    for (int i = 0; i < 16; ++i)
        octets.push_back(static_cast<std::uint8_t>((n >> (8 * static_cast<unsigned>(i % 8))) +
                                                   static_cast<unsigned>(i)));
    const std::string user = "flood-user";
    octets.push_back(1);
    octets.push_back(static_cast<std::uint8_t>(2 + user.size()));
    octets.insert(octets.end(), user.begin(), user.end());
    octets.insert(octets.end(), {4, 6, 127, 0, 0, 1});
    octets[2] = static_cast<std::uint8_t>(octets.size() >> 8);
    octets[3] = static_cast<std::uint8_t>(octets.size());
    return octets;
}

} // namespace

int main(int argc, char** argv) {
    Settings settings;
    const option options[] = {
        {"rate", required_argument, nullptr, 'r'},  {"seconds", required_argument, nullptr, 's'},
        {"burst", required_argument, nullptr, 'b'}, {"address", required_argument, nullptr, 'a'},
        {"port", required_argument, nullptr, 'p'},  {nullptr, 0, nullptr, 0}};
    for (int c; (c = getopt_long(argc, argv, "", options, nullptr)) != -1;) {
        switch (c) {
        case 'r':
            settings.rate = std::strtoull(optarg, nullptr, 10);
            break;
        case 's':
            settings.seconds = std::strtod(optarg, nullptr);
            break;
        case 'b':
            settings.burst = std::strtoull(optarg, nullptr, 10);
            break;
        case 'a':
            settings.address = optarg;
            break;
        case 'p':
            settings.port = static_cast<std::uint16_t>(std::strtoul(optarg, nullptr, 10));
            break;
        default:
            return usage();
        }
    }
    if (settings.rate == 0 || settings.seconds <= 0 || settings.seconds > 600)
        return usage();
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(settings.port);
    if (inet_pton(AF_INET, settings.address.c_str(), &to.sin_addr) != 1 ||
        (ntohl(to.sin_addr.s_addr) >> 24) != 127) {
        std::fprintf(stderr, "radius-flood: sends to a loopback address (127.x.y.z) only\n");
        return 2;
    }
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0) {
        std::perror("radius-flood: socket");
        return 1;
    }
    // Ticks: a millisecond each when smooth; one burst a tick otherwise.
    const std::uint64_t perTick =
        settings.burst ? settings.burst : std::max<std::uint64_t>(1, settings.rate / 1000);
    const auto tick = std::chrono::nanoseconds(static_cast<std::int64_t>(
        1e9 * static_cast<double>(perTick) / static_cast<double>(settings.rate)));
    const auto total =
        static_cast<std::uint64_t>(static_cast<double>(settings.rate) * settings.seconds);
    auto next = std::chrono::steady_clock::now();
    std::uint64_t sent = 0, failed = 0;
    while (sent + failed < total) {
        for (std::uint64_t i = 0; i < perTick && sent + failed < total; ++i) {
            const auto octets = request(sent + failed);
            if (::sendto(fd, octets.data(), octets.size(), 0, reinterpret_cast<sockaddr*>(&to),
                         sizeof to) == static_cast<ssize_t>(octets.size()))
                ++sent;
            else
                ++failed;
        }
        next += tick;
        std::this_thread::sleep_until(next);
    }
    ::close(fd);
    std::printf("sent %llu\n", static_cast<unsigned long long>(sent));
    if (failed)
        std::fprintf(stderr, "radius-flood: %llu datagrams could not be sent\n",
                     static_cast<unsigned long long>(failed));
    return 0;
}
