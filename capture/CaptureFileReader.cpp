#include "CaptureFileReader.hpp"

#include "CaptureFileRecords.hpp"

#include <array>
#include <string>

namespace capture {
namespace records {
namespace {

// Fractions of a second times a billion need more than 64 bits.
__extension__ using Wide = unsigned __int128;

struct LinkTypeRow {
    std::uint32_t inFile;
    int dataLink;
};
// The link types whose number in a file is not libpcap's DLT_ number on this platform.
constexpr std::array<LinkTypeRow, 5> renumberedLinkTypes{{
    {100, 11}, // ATM RFC 1483
    {101, 12}, // raw IP
    {102, 15}, // SLIP, BSD/OS
    {103, 16}, // PPP, BSD/OS
    {106, 19}, // ATM classical IP
}};

} // namespace

int dataLinkType(std::uint32_t fileLinkType) {
    // The upper bits carry the frame check sequence's length, not the type.
    const std::uint32_t type = fileLinkType & 0x03FFFFFF;
    for (const auto& row : renumberedLinkTypes)
        if (row.inFile == type)
            return row.dataLink;
    return static_cast<int>(type);
}

void setTime(CapturedPacket& packet, std::int64_t seconds, std::uint64_t fraction,
             std::uint64_t unitsPerSecond) {
    std::uint64_t microseconds = 0, nanoseconds = 0;
    // Microseconds and nanoseconds, nearly every file's, without a wide division.
    if (unitsPerSecond == 1'000'000) {
        microseconds = fraction;
        nanoseconds = fraction * 1'000;
    } else if (unitsPerSecond == 1'000'000'000) {
        microseconds = fraction / 1'000;
        nanoseconds = fraction;
    } else {
        const auto scaled = [&](std::uint64_t perSecond) {
            return static_cast<std::uint64_t>(static_cast<Wide>(fraction) * perSecond /
                                              unitsPerSecond);
        };
        microseconds = scaled(1'000'000);
        nanoseconds = scaled(1'000'000'000);
    }
    packet.time = static_cast<double>(seconds) + static_cast<double>(microseconds) / 1e6;
    // Past the year 2262 the count wraps (unsigned, so defined) rather than overflow.
    packet.nanoseconds = static_cast<std::int64_t>(
        static_cast<std::uint64_t>(seconds) * 1'000'000'000 + nanoseconds);
}

} // namespace records

std::unique_ptr<CaptureFileReader> CaptureFileReader::open(std::unique_ptr<CaptureBytes> bytes) {
    const auto magic = bytes->peek(4);
    if (magic.size() < 4)
        throw CaptureError("truncated dump file; tried to read 4 file header bytes, only got " +
                           std::to_string(magic.size()));
    const std::uint32_t word = records::FileOrder{}.u32(magic, 0);
    switch (word) {
    case 0xa1b2c3d4: // microseconds, this machine's byte order
    case 0xd4c3b2a1: // microseconds, the other
    case 0xa1b23c4d: // nanoseconds
    case 0x4d3cb2a1:
        return records::openPcap(std::move(bytes));
    case 0x0a0d0d0a: // a pcapng section header, the same in either order
        return records::openPcapng(std::move(bytes));
    default:
        throw CaptureError("unknown file format");
    }
}

} // namespace capture
