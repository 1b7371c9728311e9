#include "AccountingRecord.hpp"

#include "AttributeWalk.hpp"

namespace analysis {

namespace {

enum : std::uint8_t {
    userName = 1,
    nasIpAddress = 4,
    framedIpAddress = 8,
    nasIdentifier = 32,
    statusType = 40,
    inputOctets = 42,
    outputOctets = 43,
    sessionId = 44,
    sessionTime = 46,
    inputPackets = 47,
    outputPackets = 48,
    terminateCause = 49,
    inputGigawords = 52,
    outputGigawords = 53,
    eventTimestamp = 55,
};

std::optional<zem::IPAddress> addressOf(zem::ByteView value) {
    if (value.size() != 4)
        return std::nullopt;
    zem::IPAddress address;
    std::copy(value.begin(), value.end(), address.bytes.begin());
    return address;
}

std::string textOf(zem::ByteView value) {
    return std::string(reinterpret_cast<const char*>(value.span().data()), value.size());
}

} // namespace

std::optional<AccountingRecord> accountingRecord(zem::ByteView message) {
    if (message.at(0) != 4 || message.size() < 20)
        return std::nullopt;
    AccountingRecord record;
    record.identifier = *message.at(1);
    std::optional<std::uint32_t> inOctets, outOctets, inGigawords, outGigawords;
    forEachAttribute(message, [&](const RawAttribute& attribute) {
        const auto value = attribute.value;
        const auto number = value.size() == 4 ? value.loadBigEndian32(0) : std::nullopt;
        switch (attribute.type) {
        case userName:
            record.userName = textOf(value);
            break;
        case nasIpAddress:
            record.nasAddress = addressOf(value);
            break;
        case framedIpAddress:
            record.framedAddress = addressOf(value);
            break;
        case nasIdentifier:
            record.nasIdentifier = textOf(value);
            break;
        case statusType:
            record.statusType = number;
            break;
        case inputOctets:
            inOctets = number;
            break;
        case outputOctets:
            outOctets = number;
            break;
        case sessionId:
            record.sessionId = textOf(value);
            break;
        case sessionTime:
            record.sessionTime = number;
            break;
        case inputPackets:
            record.inputPackets = number;
            break;
        case outputPackets:
            record.outputPackets = number;
            break;
        case terminateCause:
            record.terminateCause = number;
            break;
        case inputGigawords:
            inGigawords = number;
            break;
        case outputGigawords:
            outGigawords = number;
            break;
        case eventTimestamp:
            record.eventTimestamp = number;
            break;
        default:
            break;
        }
    });
    // Gigawords count the times the 32-bit octet counters wrapped.
    if (inOctets)
        record.inputOctets = (std::uint64_t{inGigawords.value_or(0)} << 32) | *inOctets;
    if (outOctets)
        record.outputOctets = (std::uint64_t{outGigawords.value_or(0)} << 32) | *outOctets;
    return record;
}

} // namespace analysis
