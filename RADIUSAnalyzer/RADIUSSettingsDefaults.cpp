#include "RADIUSSettingsDefaults.hpp"

#include "RADIUSSettingsKeys.hpp"

#include <cmath>
#include <cstdint>
#include <sys/random.h>

namespace radius {

namespace {

std::uint64_t systemRandom64() {
    std::uint64_t value = 0;
    auto* bytes = reinterpret_cast<unsigned char*>(&value);
    std::size_t filled = 0;
    while (filled < sizeof value) {
        ssize_t n = getrandom(bytes + filled, sizeof value - filled, 0);
        if (n > 0)
            filled += static_cast<std::size_t>(n);
    }
    return value;
}

} // namespace

double randomHue() {
    constexpr std::uint64_t top = std::uint64_t{1} << 53;
    // Draw 54 bits and reject what lies above 2^53: every n in 0...2^53 is equally likely.
    std::uint64_t n;
    do {
        n = systemRandom64() & ((top << 1) - 1);
    } while (n > top);
    return std::ldexp(static_cast<double>(n), -53);
}

zem::ZEMColor randomColor() {
    return zem::ZEMColor::fromHSB(randomHue(), 1.0, 1.0, 1.0);
}

void registerDefaultSettings(zem::ZEMUserDefaults& store) {
    if (!store.objectForKey(kRADIUSResolveIP))
        store.setBool(kRADIUSResolveIP, false);
    if (!store.objectForKey(kRADIUSUsesColor))
        store.setBool(kRADIUSUsesColor, false);
    if (!store.stringForKey(kRADIUSColor))
        store.setObject(kRADIUSColor, randomColor().rawValue());
    if (!store.objectForKey(kRADIUSSecretCredentials))
        store.setBool(kRADIUSSecretCredentials, false);
}

} // namespace radius
