// Attribute records: the attribute octets of one message parsed into type-length-value
// records (RFC 2865 section 5) with each value decoded by its type's rule.
//
// A record keeps the keys that its kind stores; a value that cannot be decoded (text
// that is not valid in its encoding) is left out rather than stored as a placeholder.
#pragma once

#include "ByteView.hpp"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace radius {

using RecordValue = std::variant<std::monostate, std::uint8_t, std::uint16_t, std::uint32_t,
                                 std::string, zem::ByteBuffer>;

struct AttributeRecord {
    std::uint8_t avpType = 0;
    /// The length octet; in the truncated record, the octets that were left.
    std::uint8_t avpLength = 0;
    bool truncated = false;
    bool invalid = false;
    std::array<RecordValue, 5> avpVal{};
    std::optional<std::string> avpVal0Hex;
    std::optional<std::string> avpVal0SMI;
    std::optional<std::string> avpVal1Hex;
    std::optional<zem::ByteBuffer> avpVal1Data;

    /// Value `index` when it holds a T, else nothing.
    template <typename T> const T* value(std::size_t index) const {
        return index < avpVal.size() ? std::get_if<T>(&avpVal[index]) : nullptr;
    }
    template <typename T> T* value(std::size_t index) {
        return index < avpVal.size() ? std::get_if<T>(&avpVal[index]) : nullptr;
    }
};

using AttributeRecordList = std::vector<AttributeRecord>;

/// Parses attribute octets; nothing when they hold no record.
std::optional<AttributeRecordList> attributeRecords(zem::ByteView attributes);

/// Checks `length` against the type's rule and stores the decoded value, or "invalid".
void decodeAttributeValue(std::uint8_t type, std::uint8_t length, zem::ByteView value,
                          AttributeRecord& record);

std::optional<std::uint32_t> bigEndianUInt32(zem::ByteView octets);
std::optional<std::string> dottedQuadText(zem::ByteView octets);
std::optional<std::string> ipv6AddressText(zem::ByteView octets);

} // namespace radius
