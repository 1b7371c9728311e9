#include "IPAddress.hpp"

#include <arpa/inet.h>
#include <cstring>

namespace zem {

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
        for (std::size_t i = 0; i < 4; ++i) {
            if (i > 0)
                *out++ = '.';
            const unsigned octet = bytes[i];
            if (octet >= 100)
                *out++ = static_cast<char>('0' + octet / 100);
            if (octet >= 10)
                *out++ = static_cast<char>('0' + octet / 10 % 10);
            *out++ = static_cast<char>('0' + octet % 10);
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
