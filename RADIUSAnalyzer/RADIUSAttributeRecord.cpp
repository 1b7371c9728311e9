#include "RADIUSAttributeRecord.hpp"

#include "RADIUSAttributeDictionary.hpp"
#include "ZEMAnalyzingUtilities.hpp"

#include <algorithm>
#include <arpa/inet.h>
#include <charconv>
#include <cstring>
#include <sys/socket.h>

namespace radius {

using zem::ByteView;
using zem::ZEMAnalyzingUtilities;

std::optional<std::uint32_t> bigEndianUInt32(ByteView octets) {
    return octets.loadBigEndian32(0);
}

std::optional<std::string> dottedQuadText(ByteView octets) {
    if (octets.size() < 4)
        return std::nullopt;
    std::string text;
    text.reserve(15);
    for (std::size_t i = 0; i < 4; ++i) {
        if (i > 0)
            text.push_back('.');
        char digits[4];
        auto [end, ec] = std::to_chars(digits, digits + sizeof digits, octets.span()[i]);
        text.append(digits, end);
    }
    return text;
}

std::optional<std::string> ipv6AddressText(ByteView octets) {
    if (octets.size() < 16)
        return std::nullopt;
    in6_addr address{};
    std::memcpy(&address, octets.span().data(), 16);
    char buffer[46] = {};
    if (!inet_ntop(AF_INET6, &address, buffer, sizeof buffer))
        return std::string();
    return std::string(buffer); // inet_ntop writes ASCII only
}

namespace {

// A read that gives none counts as 0, as the record layout expects.
std::uint8_t octetOrZero(ByteView value, std::size_t offset) {
    return value.at(offset).value_or(0);
}

void storeText(RecordValue& slot, std::optional<std::string> text) {
    if (text)
        slot = std::move(*text);
}

std::optional<std::string> textIn(AttributeKind kind, ByteView octets) {
    switch (kind) {
    case AttributeKind::asciiText:
    case AttributeKind::taggedAsciiText:
        return ZEMAnalyzingUtilities::asciiStringFromData(octets);
    case AttributeKind::latin1Text:
        return ZEMAnalyzingUtilities::isoLatin1StringFromData(octets);
    default:
        return ZEMAnalyzingUtilities::utfStringFromData(octets);
    }
}

void decodeTaggedInteger(ByteView value, AttributeRecord& record) {
    record.avpVal[0] = octetOrZero(value, 0);
    record.avpVal[1] = static_cast<std::uint32_t>(
        (octetOrZero(value, 1) << 16) | (octetOrZero(value, 2) << 8) | octetOrZero(value, 3));
}

void decodeTaggedText(ByteView value, AttributeRecord& record, AttributeKind kind) {
    const std::uint8_t first = octetOrZero(value, 0);
    record.avpVal[0] = first;
    // RFC 2868: a first octet below 0x20 is a tag; otherwise it already belongs to the text.
    ByteView text = first < 0x20 ? value.slice(1) : value;
    storeText(record.avpVal[1], textIn(kind, text));
    record.avpVal1Hex = ZEMAnalyzingUtilities::hexStringFromData(text, false);
    record.avpVal1Data = text.copy();
}

void decodeIPv6Prefix(ByteView value, AttributeRecord& record) {
    const std::uint8_t prefixLength = octetOrZero(value, 1);
    record.avpVal[0] = prefixLength;
    ByteView prefix = value.slice(2);
    if (prefixLength == 128 && prefix.size() >= 16) {
        storeText(record.avpVal[1], ipv6AddressText(prefix));
    } else if (prefixLength < 8) {
        record.avpVal[1] = std::string();
    } else {
        const std::size_t count = std::min<std::size_t>(prefixLength / 8u, prefix.size());
        record.avpVal[1] = ZEMAnalyzingUtilities::hexStringFromData(prefix.slice(0, count), true);
    }
}

void decodeVendorSpecific(ByteView value, AttributeRecord& record) {
    auto vendor = bigEndianUInt32(value);
    if (vendor) {
        record.avpVal[0] = *vendor;
        std::string decimal = std::to_string(*vendor);
        auto name = ZEMAnalyzingUtilities::smiNameFor(decimal);
        record.avpVal0SMI = name ? std::move(*name) : std::move(decimal);
    }
    storeText(record.avpVal[1], ZEMAnalyzingUtilities::utfStringFromData(value.slice(4)));
}

} // namespace

void decodeAttributeValue(std::uint8_t type, std::uint8_t length, ByteView value,
                          AttributeRecord& record) {
    const AttributeDefinition& definition = attributeDefinition(type);
    if (!definition.acceptsLength(length)) {
        record.invalid = true;
        return;
    }
    auto& v = record.avpVal;
    switch (definition.kind) {
    case AttributeKind::utf8Text:
    case AttributeKind::asciiText:
    case AttributeKind::latin1Text:
        storeText(v[0], textIn(definition.kind, value));
        break;
    case AttributeKind::privateText:
        storeText(v[0], ZEMAnalyzingUtilities::utfStringFromData(value));
        record.avpVal0Hex = ZEMAnalyzingUtilities::hexStringFromData(value, false);
        break;
    case AttributeKind::number:
    case AttributeKind::enumerated:
    case AttributeKind::timestamp:
    case AttributeKind::hexNumber:
        if (auto number = bigEndianUInt32(value))
            v[0] = *number;
        break;
    case AttributeKind::ipv4Address:
        storeText(v[0], dottedQuadText(value));
        break;
    case AttributeKind::ipv6Address:
        storeText(v[0], ipv6AddressText(value));
        break;
    case AttributeKind::octets:
    case AttributeKind::unlisted:
        v[0] = value.copy();
        break;
    case AttributeKind::chapPassword:
        v[0] = octetOrZero(value, 0);
        v[1] = value.slice(1, 16).copy();
        break;
    case AttributeKind::vendorSpecific:
        decodeVendorSpecific(value, record);
        break;
    case AttributeKind::vlanName:
        v[0] = static_cast<std::uint32_t>(octetOrZero(value, 0));
        storeText(v[1], ZEMAnalyzingUtilities::utfStringFromData(value.slice(1)));
        break;
    case AttributeKind::taggedEnumerated:
    case AttributeKind::taggedNumber:
        decodeTaggedInteger(value, record);
        break;
    case AttributeKind::taggedAsciiText:
    case AttributeKind::taggedUtf8Text:
        decodeTaggedText(value, record, definition.kind);
        break;
    case AttributeKind::tunnelPassword:
        v[0] = octetOrZero(value, 0);
        v[1] = value.loadBigEndian16(1).value_or(0);
        v[2] = value.slice(3).copy();
        break;
    case AttributeKind::arapPassword:
        for (std::size_t i = 0; i < 4; ++i)
            v[i] = value.loadBigEndian32(i * 4).value_or(0);
        break;
    case AttributeKind::arapFeatures:
        v[0] = octetOrZero(value, 0);
        v[1] = octetOrZero(value, 1);
        v[2] = value.loadBigEndian32(2).value_or(0);
        v[3] = value.loadBigEndian32(6).value_or(0);
        v[4] = value.loadBigEndian32(10).value_or(0);
        break;
    case AttributeKind::lineInformation:
        v[0] = value.loadBigEndian16(0).value_or(0);
        break;
    case AttributeKind::ipv6Prefix:
        decodeIPv6Prefix(value, record);
        break;
    }
}

std::optional<AttributeRecordList> attributeRecords(ByteView attributes) {
    if (attributes.size() < 2)
        return std::nullopt;
    AttributeRecordList records;
    // Most attributes are a few octets long; reserving for a typical share avoids
    // moving the records while the list grows, without reserving much for odd input.
    records.reserve(std::min<std::size_t>(attributes.size() / 8 + 1, 64));
    ByteView remaining = attributes;
    while (remaining.size() >= 3) {
        const std::uint8_t type = remaining.span()[0];
        const std::uint8_t length = remaining.span()[1];
        if (length > remaining.size()) {
            AttributeRecord& record = records.emplace_back();
            record.avpType = type;
            record.avpLength = static_cast<std::uint8_t>(remaining.size()); // below 255 here
            record.truncated = true;
            break;
        }
        if (length < 2)
            break;
        AttributeRecord& record = records.emplace_back();
        record.avpType = type;
        record.avpLength = length;
        decodeAttributeValue(type, length, remaining.slice(2, length - 2u), record);
        remaining = remaining.slice(length);
    }
    if (records.empty())
        return std::nullopt;
    return records;
}

} // namespace radius
