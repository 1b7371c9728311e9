#include "wire/WireMessage.hpp"

#include "wire/RadiusProtocol.hpp"

#include <algorithm>

namespace analysis {

namespace {

// Every message walked needs a list; the lists of messages done with are kept for the
// next ones on the same thread, so that a capture's millions of walks allocate nothing.
thread_local std::vector<std::vector<Attribute>> spareLists;
constexpr std::size_t mostSpareLists = 64;

// One attribute as the walk meets it. The Attribute itself, with its value's view, is made
// only by those who keep it: counting the damage of each of a million messages made and
// dropped about ten of them a message, a quarter of the count's instructions.
struct Step {
    std::uint8_t type, length; // for a truncated one, the octets there are
    std::size_t at;            // of the type octet in the list
    AttributeDamage damage;
};

// The rules of the walk, once for those who keep the attributes and those who count them.
template <typename Visit> void walkAttributes(std::span<const std::uint8_t> octets, Visit visit) {
    std::size_t at = 0;
    while (octets.size() - at >= 3) {
        const std::size_t remaining = octets.size() - at;
        const std::uint8_t type = octets[at];
        const std::uint8_t length = octets[at + 1];
        if (length > remaining) {
            visit(Step{type, static_cast<std::uint8_t>(remaining), at, AttributeDamage::truncated});
            return;
        }
        if (length < 2)
            return;
        visit(Step{type, length, at,
                   attributeLengthValid(type, length) ? AttributeDamage::none
                                                      : AttributeDamage::invalidLength});
        at += length;
    }
}

// The attribute `step` met in `list`, which starts at `listOffset` in its message.
Attribute attributeAt(zem::ByteView list, std::size_t listOffset, const Step& step) {
    const auto value = step.damage == AttributeDamage::truncated
                           ? list.slice(step.at + 2)
                           : list.slice(step.at + 2, step.length - 2U);
    return Attribute{step.type, step.length, listOffset + step.at, value, step.damage};
}

struct Header {
    std::uint16_t length;
    bool hasAttributeList;
};
Header headerOf(zem::ByteView octets) {
    const auto length = *octets.loadBigEndian16(2);
    return {length, length > headerSize && octets.size() >= length};
}

zem::ByteView attributeList(zem::ByteView octets, std::uint16_t length) {
    return octets.slice(headerSize, length - headerSize);
}

} // namespace

std::optional<WireMessage> WireMessage::parse(zem::ByteView octets) {
    if (octets.size() < headerSize)
        return std::nullopt;
    WireMessage message;
    message.octets = octets;
    message.code = *octets.at(0);
    message.identifier = *octets.at(1);
    const auto header = headerOf(octets);
    message.length = header.length;
    message.hasAttributeList = header.hasAttributeList;
    if (!message.hasAttributeList)
        return message;
    if (!spareLists.empty()) {
        message.attributes = std::move(spareLists.back());
        spareLists.pop_back();
    }
    const auto list = attributeList(octets, message.length);
    // Most attributes are a few octets long: room for a typical share, without reserving
    // much for odd input.
    message.attributes.reserve(std::min<std::size_t>(list.size() / 8 + 1, 64));
    walkAttributes(list.span(), [&](const Step& step) {
        message.attributes.push_back(attributeAt(list, headerSize, step));
    });
    return message;
}

DamageCount WireMessage::damageOf(zem::ByteView octets) {
    return damageOf(octets, {}, {});
}

DamageCount WireMessage::damageOf(zem::ByteView octets, std::span<const std::uint8_t> types,
                                  std::span<std::optional<Attribute>> first) {
    DamageCount count;
    if (octets.size() < headerSize)
        return count;
    const auto header = headerOf(octets);
    if (!header.hasAttributeList)
        return count;
    const auto list = attributeList(octets, header.length);
    walkAttributes(list.span(), [&](const Step& step) {
        count.add(step.damage);
        for (std::size_t i = 0; i < types.size(); ++i)
            if (types[i] == step.type && !first[i])
                if (const auto attribute = attributeAt(list, headerSize, step); attribute.whole())
                    first[i] = attribute;
    });
    return count;
}

WireMessage::~WireMessage() {
    if (attributes.capacity() == 0 || spareLists.size() >= mostSpareLists)
        return;
    attributes.clear();
    spareLists.push_back(std::move(attributes));
}

DamageCount WireMessage::damage() const {
    DamageCount count;
    for (const auto& attribute : attributes)
        count.add(attribute.damage);
    return count;
}

const Attribute* WireMessage::find(std::uint8_t type) const {
    for (const auto& attribute : attributes)
        if (attribute.type == type && attribute.whole())
            return &attribute;
    return nullptr;
}

} // namespace analysis
