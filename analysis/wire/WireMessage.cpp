#include "wire/WireMessage.hpp"

#include "wire/RadiusProtocol.hpp"

#include <algorithm>

namespace analysis {

namespace {

// Every message walked needs a list; the lists of messages done with are kept for the
// next ones on the same thread, so that a capture's millions of walks allocate nothing.
thread_local std::vector<std::vector<Attribute>> spareLists;
constexpr std::size_t mostSpareLists = 64;

void walkAttributes(zem::ByteView list, std::size_t listOffset, std::vector<Attribute>& out) {
    // Most attributes are a few octets long: room for a typical share, without reserving
    // much for odd input.
    out.reserve(std::min<std::size_t>(list.size() / 8 + 1, 64));
    const auto octets = list.span();
    std::size_t at = 0;
    while (octets.size() - at >= 3) {
        const std::size_t remaining = octets.size() - at;
        const std::uint8_t type = octets[at];
        const std::uint8_t length = octets[at + 1];
        if (length > remaining) {
            out.push_back({type, static_cast<std::uint8_t>(remaining), listOffset + at,
                           list.slice(at + 2), AttributeDamage::truncated});
            return;
        }
        if (length < 2)
            return;
        out.push_back({type, length, listOffset + at, list.slice(at + 2, length - 2U),
                       attributeLengthValid(type, length) ? AttributeDamage::none
                                                          : AttributeDamage::invalidLength});
        at += length;
    }
}

} // namespace

std::optional<WireMessage> WireMessage::parse(zem::ByteView octets) {
    if (octets.size() < headerSize)
        return std::nullopt;
    WireMessage message;
    message.octets = octets;
    message.code = *octets.at(0);
    message.identifier = *octets.at(1);
    message.length = *octets.loadBigEndian16(2);
    message.hasAttributeList = message.length > headerSize && octets.size() >= message.length;
    if (message.hasAttributeList && !spareLists.empty()) {
        message.attributes = std::move(spareLists.back());
        spareLists.pop_back();
    }
    if (message.hasAttributeList)
        walkAttributes(octets.slice(headerSize, message.length - headerSize), headerSize,
                       message.attributes);
    return message;
}

WireMessage::~WireMessage() {
    if (attributes.capacity() == 0 || spareLists.size() >= mostSpareLists)
        return;
    attributes.clear();
    spareLists.push_back(std::move(attributes));
}

DamageCount WireMessage::damage() const {
    DamageCount count;
    for (const auto& attribute : attributes) {
        count.invalid += attribute.damage == AttributeDamage::invalidLength;
        count.truncated += attribute.damage == AttributeDamage::truncated;
    }
    return count;
}

const Attribute* WireMessage::find(std::uint8_t type) const {
    for (const auto& attribute : attributes)
        if (attribute.type == type && attribute.whole())
            return &attribute;
    return nullptr;
}

} // namespace analysis
