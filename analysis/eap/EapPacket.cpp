#include "eap/EapPacket.hpp"

#include "wire/RadiusProtocol.hpp"

#include <algorithm>
#include <array>
#include <type_traits>

namespace analysis {

namespace {

// Texts and numbers in turn, appended piece by piece: GCC 12 warns falsely (-Wrestrict) of
// a literal put before a number's text.
template <typename... Pieces> std::string words(const Pieces&... pieces) {
    std::string text;
    const auto append = [&text](const auto& piece) {
        if constexpr (std::is_arithmetic_v<std::decay_t<decltype(piece)>>)
            text += std::to_string(piece);
        else
            text += piece;
    };
    (append(pieces), ...);
    return text;
}

constexpr std::size_t eapHeaderSize = 4; // code, identifier, length

// The segments joined, and what was wrong with them on the way.
struct Segments {
    zem::ByteBuffer octets;
    std::size_t count = 0;
    std::vector<std::string> notes;
};

Segments joinSegments(const WireMessage& wire) {
    Segments joined;
    std::optional<std::size_t> lastIndex;
    bool scattered = false;
    for (std::size_t i = 0; i < wire.attributes.size(); ++i) {
        const auto& attribute = wire.attributes[i];
        if (attribute.type != attribute::eapMessage)
            continue;
        if (lastIndex && *lastIndex + 1 != i)
            scattered = true;
        lastIndex = i;
        ++joined.count;
        if (!attribute.whole())
            joined.notes.push_back(words("EAP-Message segment ", joined.count, " is cut short"));
        joined.octets.insert(joined.octets.end(), attribute.value.begin(), attribute.value.end());
    }
    if (scattered)
        joined.notes.push_back("EAP-Message segments are not consecutive attributes");
    return joined;
}

} // namespace

zem::ByteView EapPacket::typeData() const {
    const std::size_t start = type ? eapHeaderSize + 1 : eapHeaderSize;
    const std::size_t end = std::min<std::size_t>(length, octets.size());
    return end > start ? zem::ByteView(octets).slice(start, end - start) : zem::ByteView();
}

std::optional<zem::ByteView> firstEapSegment(zem::ByteView message) {
    const auto length = message.loadBigEndian16(2);
    if (!length)
        return std::nullopt;
    const std::size_t end = std::min<std::size_t>(*length, message.size());
    for (std::size_t at = 20; at + 2 <= end;) {
        const auto type = *message.at(at);
        const auto size = *message.at(at + 1);
        if (type == attribute::eapMessage) {
            const std::size_t attributeEnd = std::min<std::size_t>(size, end - at);
            return message.slice(at + 2, attributeEnd > 2 ? attributeEnd - 2 : 0);
        }
        if (size < 2)
            return std::nullopt;
        at += size;
    }
    return std::nullopt;
}

bool mayCarryEap(zem::ByteView message) {
    return firstEapSegment(message).has_value();
}

std::optional<EapPacket> joinEapPacket(const WireMessage& wire) {
    auto segments = joinSegments(wire);
    if (segments.octets.size() < eapHeaderSize)
        return std::nullopt;
    EapPacket packet;
    packet.octets = std::move(segments.octets);
    packet.notes = std::move(segments.notes);
    const zem::ByteView view(packet.octets);
    packet.code = *view.at(0);
    packet.identifier = *view.at(1);
    packet.length = *view.loadBigEndian16(2);
    // Request and Response carry a Type; so do RFC 6696's Initiate and Finish.
    const bool typed = packet.code == eapCode::request || packet.code == eapCode::response ||
                       packet.code == 5 || packet.code == 6;
    if (typed && packet.length > eapHeaderSize)
        packet.type = view.at(eapHeaderSize);
    if (packet.length < eapHeaderSize)
        packet.notes.push_back(words("the EAP Length ", packet.length, " is less than a header"));
    else if (view.size() < packet.length)
        packet.notes.push_back(words("the EAP-Message segments hold ", view.size(),
                                     " octets; the EAP Length says ", packet.length));
    else if (view.size() > packet.length)
        packet.notes.push_back(
            words(view.size() - packet.length, " octets follow the EAP packet in its segments"));
    return packet;
}

std::optional<std::string> eapSegmentsNote(const WireMessage& wire) {
    const auto segments = joinSegments(wire);
    if (segments.count == 0 || segments.octets.size() >= eapHeaderSize)
        return std::nullopt;
    return words("the EAP-Message segments hold ", segments.octets.size(),
                 " octets, too few for an EAP header");
}

std::optional<std::string_view> eapCodeName(std::uint8_t code) {
    static constexpr std::array<std::string_view, 7> names = {
        "", "Request", "Response", "Success", "Failure", "Initiate", "Finish"};
    if (code == 0 || code >= names.size())
        return std::nullopt;
    return names[code];
}

} // namespace analysis
