#include "wire/AccountingRecord.hpp"

#include "wire/NasName.hpp"
#include "wire/RadiusProtocol.hpp"

namespace analysis {

namespace {

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

std::optional<AccountingRecord> accountingRecord(const WireMessage& message) {
    if (message.code != code::accountingRequest)
        return std::nullopt;
    AccountingRecord record;
    record.identifier = message.identifier;
    record.nas = nasName(message);
    std::optional<std::uint32_t> inOctets, outOctets, inGigawords, outGigawords;
    for (const auto& attribute : message.attributes) {
        if (!attribute.whole())
            continue;
        const auto value = attribute.value;
        const auto number = value.size() == 4 ? value.loadBigEndian32(0) : std::nullopt;
        switch (attribute.type) {
        case attribute::userName:
            record.userName = textOf(value);
            break;
        case attribute::framedIpAddress:
            record.framedAddress = addressOf(value);
            break;
        case attribute::acctStatusType:
            record.statusType = number;
            break;
        case attribute::acctInputOctets:
            inOctets = number;
            break;
        case attribute::acctOutputOctets:
            outOctets = number;
            break;
        case attribute::acctSessionId:
            record.sessionId = textOf(value);
            break;
        case attribute::acctSessionTime:
            record.sessionTime = number;
            break;
        case attribute::acctInputPackets:
            record.inputPackets = number;
            break;
        case attribute::acctOutputPackets:
            record.outputPackets = number;
            break;
        case attribute::acctTerminateCause:
            record.terminateCause = number;
            break;
        case attribute::acctInputGigawords:
            inGigawords = number;
            break;
        case attribute::acctOutputGigawords:
            outGigawords = number;
            break;
        case attribute::eventTimestamp:
            record.eventTimestamp = number;
            break;
        default:
            break;
        }
    }
    // Gigawords count the times the 32-bit octet counters wrapped.
    if (inOctets)
        record.inputOctets = (std::uint64_t{inGigawords.value_or(0)} << 32) | *inOctets;
    if (outOctets)
        record.outputOctets = (std::uint64_t{outGigawords.value_or(0)} << 32) | *outOctets;
    return record;
}

} // namespace analysis
