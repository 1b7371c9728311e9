#include "IPAddress.hpp"

#include <arpa/inet.h>
#include <charconv>
#include <cstring>

namespace zem {

std::string IPAddress::text() const {
    if (family == 4) {
        // inet_ntop formats IPv4 through sprintf, a large share of a summary line's cost.
        char buffer[16];
        char* at = buffer;
        for (int i = 0; i < 4; ++i) {
            if (i > 0)
                *at++ = '.';
            at = std::to_chars(at, buffer + sizeof buffer, bytes[static_cast<std::size_t>(i)]).ptr;
        }
        return std::string(buffer, at);
    }
    char buffer[INET6_ADDRSTRLEN] = {};
    inet_ntop(AF_INET6, bytes.data(), buffer, sizeof buffer);
    return buffer;
}

std::uint64_t hashMix(std::uint64_t seed, const IPAddress& address) {
    std::uint64_t words[2];
    std::memcpy(words, address.bytes.data(), sizeof words);
    return hashMix(hashMix(hashMix(seed, words[0]), words[1]), address.family);
}

} // namespace zem
