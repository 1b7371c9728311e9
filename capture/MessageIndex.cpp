#include "MessageIndex.hpp"

#include "PlainIPv4.hpp"

namespace capture {

// A window's index holds one entry per message, millions of them.
static_assert(sizeof(IndexedMessage) <= 64);

zem::CarryingFrame IndexedMessage::carryingFrame(zem::ByteView stored) const {
    zem::CarryingFrame carrying;
    carrying.octets = stored;
    carrying.capturedLength = frameCaptured;
    carrying.wireLength = frameOnWire;
    carrying.linkType = linkType;
    if (frameAt <= 0)
        carrying.messageOffset = static_cast<std::uint32_t>(-frameAt);
    return carrying;
}

void MessageIndex::writeEndpoint(const IndexedMessage& entry, bool source,
                                 zem::IPAddress& address) const {
    if (entry.addressesAside_) {
        const auto& pair = pairs_[entry.source_];
        address = source ? pair.source : pair.destination;
    } else {
        setIPv4(address, source ? entry.source_ : entry.destination_);
    }
}

zem::IPAddress MessageIndex::source(std::size_t i) const {
    zem::IPAddress address;
    writeEndpoint(entries_[i], true, address);
    return address;
}

zem::IPAddress MessageIndex::destination(std::size_t i) const {
    zem::IPAddress address;
    writeEndpoint(entries_[i], false, address);
    return address;
}

zem::MessageOrigin MessageIndex::origin(std::size_t i) const {
    const auto& entry = entries_[i];
    zem::MessageOrigin o;
    o.frame = entry.frame;
    o.time = entry.time;
    o.relativeTime = entry.time - firstTime();
    writeEndpoint(entry, true, o.source);
    writeEndpoint(entry, false, o.destination);
    o.sourcePort = entry.sourcePort;
    o.destinationPort = entry.destinationPort;
    o.transport = entry.transport;
    return o;
}

bool MessageIndex::append(IndexedMessage message, const zem::IPAddress& source,
                          const zem::IPAddress& destination) {
    const auto source4 = plainIPv4(source), destination4 = plainIPv4(destination);
    message.addressesAside_ = !source4 || !destination4;
    if (message.addressesAside_) {
        message.source_ = message.destination_ = static_cast<std::uint32_t>(pairs_.size());
        if (!pairs_.append({source, destination}))
            return false;
    } else {
        message.source_ = *source4;
        message.destination_ = *destination4;
    }
    return entries_.append(message);
}

} // namespace capture
