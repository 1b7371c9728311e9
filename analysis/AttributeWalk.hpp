// AttributeWalk: the attributes of a RADIUS message as they lie on the wire, up to its
// Length field (or to the octets there are): the one loop over type-length-value that
// the checks, the records, the fields and the damage count share.
#pragma once

#include "ByteView.hpp"

#include <cstddef>
#include <cstdint>

namespace analysis {

struct RawAttribute {
    std::uint8_t type;
    std::uint8_t length; // the length octet, type and length octets included
    std::size_t offset;  // of the type octet in the message
    zem::ByteView value;
};

/// Calls `visit` for each attribute until one does not fit (a length below 2, or past
/// the end). Answers true when the attributes fill the message to its Length exactly.
template <typename Visit> bool forEachAttribute(zem::ByteView message, Visit visit) {
    constexpr std::size_t headerSize = 20;
    const auto length = message.loadBigEndian16(2);
    if (!length || message.size() < headerSize)
        return false;
    message = message.slice(0, *length);
    std::size_t at = headerSize;
    while (at + 2 <= message.size()) {
        const std::uint8_t type = *message.at(at);
        const std::uint8_t size = *message.at(at + 1);
        if (size < 2 || at + size > message.size())
            return false;
        visit(RawAttribute{type, size, at, message.slice(at + 2, size - 2U)});
        at += size;
    }
    return at == message.size();
}

} // namespace analysis
