#include "TlsHello.hpp"

#include "ByteCursor.hpp"

#include <algorithm>
#include <array>

namespace capture {

namespace {

constexpr std::uint16_t serverNameExtension = 0, alpnExtension = 16, encryptThenMacExtension = 22,
                        supportedVersionsExtension = 43;

// SHA-256 of "HelloRetryRequest": the random a HelloRetryRequest carries.
constexpr TlsRandom helloRetryRandom{
    0xCF, 0x21, 0xAD, 0x74, 0xE5, 0x9A, 0x61, 0x11, 0xBE, 0x1D, 0x8C, 0x02, 0x1E, 0x65, 0xB8, 0x91,
    0xC2, 0xA2, 0x11, 0x16, 0x7A, 0xBB, 0x8C, 0x5E, 0x07, 0x9E, 0x09, 0xE2, 0xC8, 0xA8, 0x33, 0x9C};

bool readRandom(zem::ByteCursor& cursor, TlsRandom& random) {
    auto octets = cursor.take(random.size());
    if (!octets)
        return false;
    std::copy(octets->begin(), octets->end(), random.begin());
    return true;
}

} // namespace

std::optional<TlsClientHello> readClientHello(zem::ByteView body, bool datagram) {
    zem::ByteCursor cursor(body);
    TlsClientHello hello;
    auto legacyVersion = cursor.u16();
    if (!legacyVersion || !readRandom(cursor, hello.random) || !cursor.vector8() ||
        (datagram && !cursor.vector8()))
        return std::nullopt;
    // What follows the random is for the report only: a hello cut short still gives it.
    if (auto suites = cursor.vector16()) {
        zem::ByteCursor list(*suites);
        while (auto suite = list.u16())
            hello.cipherSuites.push_back(*suite);
    }
    cursor.vector8(); // compression methods
    auto extensions = cursor.vector16();
    zem::ByteCursor list(extensions.value_or(zem::ByteView()));
    while (!list.done()) {
        auto type = list.u16();
        auto data = list.vector16();
        if (!type || !data)
            break;
        zem::ByteCursor value(*data);
        if (*type == supportedVersionsExtension) {
            zem::ByteCursor versions(value.vector8().value_or(zem::ByteView()));
            while (auto version = versions.u16())
                hello.versions.push_back(*version);
        } else if (*type == serverNameExtension) {
            zem::ByteCursor names(value.vector16().value_or(zem::ByteView()));
            auto kind = names.u8();
            auto name = names.vector16();
            if (kind == 0 && name)
                hello.serverName.assign(name->begin(), name->end());
        } else if (*type == alpnExtension) {
            zem::ByteCursor names(value.vector16().value_or(zem::ByteView()));
            while (auto name = names.vector8())
                hello.protocols.emplace_back(name->begin(), name->end());
        }
    }
    if (hello.versions.empty())
        hello.versions.push_back(*legacyVersion);
    return hello;
}

std::optional<TlsServerHello> readServerHello(zem::ByteView body) {
    zem::ByteCursor cursor(body);
    TlsServerHello hello;
    auto version = cursor.u16();
    if (!version || !readRandom(cursor, hello.random) || !cursor.vector8())
        return std::nullopt;
    auto suite = cursor.u16();
    if (!suite || !cursor.u8())
        return std::nullopt;
    hello.version = *version;
    hello.cipherSuite = *suite;
    hello.helloRetryRequest = hello.random == helloRetryRandom;
    auto extensions = cursor.vector16();
    if (!extensions)
        return hello; // TLS 1.2 allows a hello without extensions
    zem::ByteCursor list(*extensions);
    while (!list.done()) {
        auto type = list.u16();
        auto data = list.vector16();
        if (!type || !data)
            return std::nullopt;
        if (*type == encryptThenMacExtension)
            hello.encryptThenMac = true;
        if (*type == supportedVersionsExtension)
            if (auto chosen = data->loadBigEndian16(0))
                hello.version = *chosen;
    }
    return hello;
}

} // namespace capture
