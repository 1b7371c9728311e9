#include "IPAddress.hpp"

#include <arpa/inet.h>
#include <array>
#include <cstring>

namespace zem {

namespace {

// Each octet's decimal digits, then their count, four octets that are moved in one store:
// a summary line writes two addresses, and dividing each octet by 100 and 10 was most of
// the cost of writing them.
constexpr std::array<std::array<char, 4>, 256> octetDigits = [] {
    std::array<std::array<char, 4>, 256> table{};
    for (unsigned octet = 0; octet < 256; ++octet) {
        auto& entry = table[octet];
        std::size_t count = 0;
        if (octet >= 100)
            entry[count++] = static_cast<char>('0' + octet / 100);
        if (octet >= 10)
            entry[count++] = static_cast<char>('0' + octet / 10 % 10);
        entry[count++] = static_cast<char>('0' + octet % 10);
        entry[3] = static_cast<char>(count);
    }
    return table;
}();

} // namespace

std::string IPAddress::text() const {
    std::string text;
    appendText(text);
    return text;
}

void IPAddress::appendText(std::string& out) const {
    char text[textRoom];
    out.append(text, writeText(text));
}

char* IPAddress::writeText(char* out) const {
    if (family == 4) {
        // inet_ntop formats IPv4 through sprintf, a large share of a summary line's cost.
        // Each octet's four table octets are stored whole (the room holds the last one's
        // overhang); only its digits count.
        for (std::size_t i = 0; i < 4; ++i) {
            if (i > 0)
                *out++ = '.';
            const auto& digits = octetDigits[bytes[i]];
            std::memcpy(out, digits.data(), digits.size());
            out += digits[3];
        }
        return out;
    }
    static_assert(textRoom >= INET6_ADDRSTRLEN);
    if (!inet_ntop(AF_INET6, bytes.data(), out, textRoom))
        return out;
    return out + std::strlen(out);
}

std::optional<IPAddress> IPAddress::parse(std::string_view text) {
    if (text.size() >= INET6_ADDRSTRLEN)
        return std::nullopt;
    const std::string terminated(text);
    IPAddress address;
    if (inet_pton(AF_INET, terminated.c_str(), address.bytes.data()) == 1)
        return address;
    address.family = 6;
    if (inet_pton(AF_INET6, terminated.c_str(), address.bytes.data()) == 1)
        return address;
    return std::nullopt;
}

} // namespace zem
