// WireMessage: a RADIUS message as it lies on the wire: its header and its attribute
// list, walked once under the rules the plug-in's tree follows, so that every analysis
// reads the same attributes the tree shows.
//
// The attributes are the octets from offset 20 up to the Length field; a message whose
// Length is below 21, or above the octets captured, has no attribute list. While three
// or more octets remain, an attribute whose length octet runs past the end is recorded
// as truncated and ends the list, a length octet below 2 ends it without a record, and
// a length the type does not allow marks the attribute invalid.
//
//   auto wire = WireMessage::parse(octets);     // nothing below 20 octets
//   for (const auto& a : wire->attributes) ...  // type, offset, length, value, damage
#pragma once

#include "ByteView.hpp"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace analysis {

enum class AttributeDamage : std::uint8_t { none, invalidLength, truncated };

struct Attribute {
    std::uint8_t type = 0;
    std::uint8_t length = 0; // the length octet; for a truncated one, the octets there are
    std::size_t offset = 0;  // of the type octet in the message
    zem::ByteView value;     // the value octets (those there are, when truncated)
    AttributeDamage damage = AttributeDamage::none;

    /// Whether the whole value is there; an invalid length still carries its octets.
    bool whole() const { return damage != AttributeDamage::truncated; }
};

// Counts of 32 bits (a message of 65,535 octets holds fewer attributes than that), so
// that a count is returned in one register: GCC wrote a pair of 64-bit counts back
// through the stack, which stalled every message whose facts were taken.
struct DamageCount {
    std::uint32_t invalid = 0;
    std::uint32_t truncated = 0;

    void add(AttributeDamage damage) {
        invalid += damage == AttributeDamage::invalidLength;
        truncated += damage == AttributeDamage::truncated;
    }
    bool operator==(const DamageCount&) const = default;
};

struct WireMessage {
    zem::ByteView octets; // as captured, octets past the Length included
    std::uint8_t code = 0;
    std::uint8_t identifier = 0;
    std::uint16_t length = 0; // the Length field
    bool hasAttributeList = false;
    std::vector<Attribute> attributes; // in wire order

    /// Nothing for fewer than 20 octets, which the plug-in refuses too.
    static std::optional<WireMessage> parse(zem::ByteView octets);

    WireMessage() = default;
    WireMessage(WireMessage&&) = default;
    WireMessage& operator=(WireMessage&&) = default;
    /// Hands the attribute list's room back to the thread for the next message.
    ~WireMessage();

    /// Fewer octets were captured than the Length announces.
    bool cutShort() const { return octets.size() < length; }
    /// The octets the authenticators sign: up to the Length.
    zem::ByteView signedOctets() const { return octets.slice(0, length); }
    zem::ByteView authenticator() const { return octets.slice(4, 16); }
    DamageCount damage() const;
    /// The same count of a message's octets, walked without keeping its attributes: for a
    /// report that reads nothing else of them.
    static DamageCount damageOf(zem::ByteView octets);
    /// The same walk, which also keeps the first whole attribute of each of `types` at the
    /// same place of `first` (nothing where there is none): for a fact or two read from
    /// a message whose list is not kept.
    static DamageCount damageOf(zem::ByteView octets, std::span<const std::uint8_t> types,
                                std::span<std::optional<Attribute>> first);
    /// The first whole attribute of `type`, or nullptr.
    const Attribute* find(std::uint8_t type) const;
};

/// Calls `visit(type, value)` for each attribute of one octet of type and one of length
/// (the length counting both) from `from` on, as TLVs (RFC 6929) and most vendors' attributes
/// are laid out; stops at the first one that does not fit.
template <typename Visit>
void forEachSubAttribute(zem::ByteView octets, std::size_t from, Visit visit) {
    std::size_t at = from;
    while (at + 2 <= octets.size()) {
        const std::uint8_t type = *octets.at(at);
        const std::uint8_t length = *octets.at(at + 1);
        if (length < 2 || at + length > octets.size())
            return;
        visit(type, octets.slice(at + 2, length - 2U));
        at += length;
    }
}

/// The sub-attributes of a Vendor-Specific value laid out as RFC 2865 section 5.26
/// suggests: after the four octets of the vendor's number.
template <typename Visit> void forEachVendorAttribute(zem::ByteView vendorSpecific, Visit visit) {
    forEachSubAttribute(vendorSpecific, 4, visit);
}

} // namespace analysis
