// What the pcap and pcapng readers share: numbers in the file's byte order, link types,
// the snapshot limit and times, each as libpcap treats them.
#pragma once

#include "CaptureFileReader.hpp"

#include <cstdint>
#include <cstring>
#include <memory>
#include <span>

namespace capture::records {

/// The largest frame libpcap takes from a file of these link types; a longer one means a
/// damaged file.
constexpr std::uint32_t maximumSnapshot = 262144;

/// Reads numbers written in the file's byte order; the caller has checked the length.
struct FileOrder {
    bool swapped = false; // the file's order is not the machine's

    template <typename T> T load(std::span<const std::uint8_t> octets, std::size_t offset) const {
        T value;
        std::memcpy(&value, octets.data() + offset, sizeof value);
        return swapped ? swap(value) : value;
    }
    std::uint16_t u16(std::span<const std::uint8_t> o, std::size_t at) const {
        return load<std::uint16_t>(o, at);
    }
    std::uint32_t u32(std::span<const std::uint8_t> o, std::size_t at) const {
        return load<std::uint32_t>(o, at);
    }
    std::uint64_t u64(std::span<const std::uint8_t> o, std::size_t at) const {
        return load<std::uint64_t>(o, at);
    }

private:
    static std::uint16_t swap(std::uint16_t v) { return __builtin_bswap16(v); }
    static std::uint32_t swap(std::uint32_t v) { return __builtin_bswap32(v); }
    static std::uint64_t swap(std::uint64_t v) { return __builtin_bswap64(v); }
};

/// The DLT_ value libpcap answers for a link type written in a file (they differ for a
/// few historical types).
int dataLinkType(std::uint32_t fileLinkType);

/// The snapshot length libpcap assumes for a file that declares `declared`.
inline int assumedSnapshot(std::uint32_t declared) {
    return declared == 0 || declared > maximumSnapshot ? static_cast<int>(maximumSnapshot)
                                                       : static_cast<int>(declared);
}

/// Sets the packet's time from whole seconds and a fraction counted in `unitsPerSecond`:
/// exact to the nanosecond, and in seconds with microseconds as libpcap hands them over.
void setTime(CapturedPacket& packet, std::int64_t seconds, std::uint64_t fraction,
             std::uint64_t unitsPerSecond);

std::unique_ptr<CaptureFileReader> openPcap(std::unique_ptr<CaptureBytes> bytes);
std::unique_ptr<CaptureFileReader> openPcapng(std::unique_ptr<CaptureBytes> bytes);

} // namespace capture::records
