#include "MessageIndex.hpp"

#include "PlainIPv4.hpp"

namespace capture {

// A window's index holds one entry per message, millions of them.
static_assert(sizeof(IndexedMessage) <= 64);

namespace {

zem::IPAddress ipv4(std::uint32_t octets) {
    zem::IPAddress address;
    setIPv4(address, octets);
    return address;
}

} // namespace

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

zem::IPAddress MessageIndex::source(std::size_t i) const {
    const auto& entry = entries_[i];
    return entry.addressesAside_ ? pairs_[entry.source_].source : ipv4(entry.source_);
}

zem::IPAddress MessageIndex::destination(std::size_t i) const {
    const auto& entry = entries_[i];
    return entry.addressesAside_ ? pairs_[entry.source_].destination : ipv4(entry.destination_);
}

zem::MessageOrigin MessageIndex::origin(std::size_t i) const {
    const auto& entry = entries_[i];
    zem::MessageOrigin o;
    o.frame = entry.frame;
    o.time = entry.time;
    o.relativeTime = entry.time - firstTime();
    if (entry.addressesAside_) {
        const auto& pair = pairs_[entry.source_];
        o.source = pair.source;
        o.destination = pair.destination;
    } else {
        setIPv4(o.source, entry.source_);
        setIPv4(o.destination, entry.destination_);
    }
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
