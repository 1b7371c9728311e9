// EapPacket: the EAP packet (RFC 3748) that one RADIUS message carries in its
// EAP-Message attributes (RFC 3579), joined in order. What does not add up (a damaged or
// scattered segment, fewer or more octets than the EAP Length says) is kept as a note:
// the packet is read as far as it goes, never refused.
//
//   if (auto eap = joinEapPacket(message.wire())) { eap->code; eap->type; eap->notes; }
#pragma once

#include "ByteView.hpp"
#include "wire/WireMessage.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace analysis {

namespace eapCode {
inline constexpr std::uint8_t request = 1, response = 2, success = 3, failure = 4;
} // namespace eapCode

struct EapPacket {
    zem::ByteBuffer octets; // the joined segments
    std::uint8_t code = 0;
    std::uint8_t identifier = 0;
    std::uint16_t length = 0;         // the EAP Length field
    std::optional<std::uint8_t> type; // of a Request or Response
    std::vector<std::string> notes;   // what does not add up, in words

    /// The octets after the Type, up to the Length (or to what there is).
    zem::ByteView typeData() const;
};

/// Whether a message's octets may hold an EAP-Message attribute: a quick look along its
/// attributes that spares the full walk for the messages (most) that carry none.
bool mayCarryEap(zem::ByteView message);
/// The value of the message's first EAP-Message attribute (where the EAP packet starts),
/// found by the same quick look; cut short where the message ends.
std::optional<zem::ByteView> firstEapSegment(zem::ByteView message);

/// Nothing when the message has no EAP-Message attribute, or its segments hold fewer
/// than the four octets of an EAP header (that too is a note: see eapSegmentsNote).
std::optional<EapPacket> joinEapPacket(const WireMessage& wire);

/// The note for EAP-Message attributes too short to hold an EAP header, or nothing.
std::optional<std::string> eapSegmentsNote(const WireMessage& wire);

/// The name of an EAP code ("Request", ...), or nothing for one RFC 3748 and RFC 6696 do
/// not define.
std::optional<std::string_view> eapCodeName(std::uint8_t code);

} // namespace analysis
