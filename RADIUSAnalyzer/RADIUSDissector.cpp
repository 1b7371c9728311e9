#include "RADIUSDissector.hpp"

#include "FormatString.hpp"
#include "RADIUSLocalization.hpp"

#include <array>
#include <charconv>
#include <cstdio>

namespace radius {

using zem::ByteView;
using zem::ZEMPropertyValue;

namespace {

// Every message asks; the 256 answers are made once, and the summary line reads them
// without a copy.
const std::string& codeText(std::uint8_t code) {
    static const auto texts = [] {
        std::array<std::string, 256> all;
        for (std::size_t i = 0; i < all.size(); ++i) {
            const auto octet = static_cast<std::uint8_t>(i);
            if (auto name = radiusCodeName(octet))
                all[i] = std::string(*name) + " (" + std::to_string(i) + ")";
            else
                all[i] = zem::fillFormat(localizedRADIUSString("Unknown Code (%u)"), octet);
        }
        return all;
    }();
    return texts[code];
}

const std::string_view& infoFormat() {
    static const std::string_view format = localizedRADIUSString("%@ (Id=%u)");
    return format;
}

// The summary's text of each code, cut where the identifier goes: filling the format for
// every message was an eighth of a summary line's cost. A translated format that does not
// come out the same for every identifier this way (one that pads the number, say) keeps
// being filled each time.
struct InfoAroundIdentifier {
    std::string before, after;
    bool exact = false;
};

const InfoAroundIdentifier& infoAroundIdentifier(std::uint8_t code) {
    static const auto all = [] {
        std::array<InfoAroundIdentifier, 256> pieces;
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            const auto octet = static_cast<std::uint8_t>(i);
            auto& piece = pieces[i];
            const auto marked = zem::fillFormat(infoFormat(), codeText(octet), "\x1f");
            const auto at = marked.find('\x1f');
            if (at == std::string::npos || marked.find('\x1f', at + 1) != std::string::npos)
                continue;
            piece.before = marked.substr(0, at);
            piece.after = marked.substr(at + 1);
            piece.exact = true;
            // A number of each length, at either end of it, comes out the same.
            for (const unsigned identifier : {0u, 9u, 10u, 99u, 100u, 255u})
                piece.exact =
                    piece.exact && piece.before + std::to_string(identifier) + piece.after ==
                                       zem::fillFormat(infoFormat(), codeText(octet), identifier);
        }
        return pieces;
    }();
    return all[code];
}

} // namespace

std::optional<std::string> RADIUSDissector::radiusCodeText(ByteView data) const {
    auto code = data.at(0);
    if (!code)
        return std::nullopt;
    return codeText(*code);
}

std::optional<std::string> RADIUSDissector::authenticatorText(ByteView data) const {
    if (data.size() < 16)
        return std::nullopt;
    return data.slice(0, 16).hexRepresentation(true, 2, false);
}

std::optional<ByteView> RADIUSDissector::attributeListData(ByteView message) const {
    auto length = message.slice(2, 2).loadBigEndian16(0);
    if (!length || *length < radiusHeaderLength + 1 || message.size() < *length)
        return std::nullopt;
    return message.slice(radiusHeaderLength, *length - radiusHeaderLength);
}

std::optional<std::string> RADIUSDissector::attributeTypeList(ByteView message) const {
    auto length = message.slice(2, 2).loadBigEndian16(0);
    if (!length)
        return std::nullopt;
    std::string result;
    const std::size_t announced = std::max<std::size_t>(*length, radiusHeaderLength);
    std::size_t toRead = announced - radiusHeaderLength;
    if (message.size() < *length || toRead < 3)
        return result;
    // An attribute takes two octets or more and at most four characters ("255 "): the
    // numbers go through one cursor into room for the most they can take.
    result.resize(2 * toRead);
    char* at = result.data();
    std::size_t offset = radiusHeaderLength;
    do {
        auto type = message.at(offset);
        auto attributeLength = message.at(offset + 1);
        if (!attributeLength || *attributeLength < 2 || *attributeLength > toRead) {
            // Kept from the original decoder: a debug trace of where the list broke off.
            std::fputs("\"trunc\"\n", stdout);
            break;
        }
        at = std::to_chars(at, at + 3, *type).ptr;
        *at++ = ' ';
        offset += *attributeLength;
        toRead -= *attributeLength;
    } while (toRead >= 3);
    result.resize(static_cast<std::size_t>(at - result.data()));
    if (result.size() >= 2)
        result.pop_back();
    return result;
}

std::optional<std::string> RADIUSDissector::protocolInfo(ByteView message) const {
    const auto code = message.at(0), identifier = message.at(1);
    if (!code || !identifier)
        return std::nullopt;
    const auto& pieces = infoAroundIdentifier(*code);
    if (!pieces.exact)
        return zem::fillFormat(infoFormat(), codeText(*code), *identifier);
    char digits[3];
    const auto end = std::to_chars(digits, digits + sizeof digits, *identifier).ptr;
    std::string info;
    info.reserve(pieces.before.size() + 3 + pieces.after.size());
    info += pieces.before;
    info.append(digits, end);
    info += pieces.after;
    return info;
}

namespace {

template <typename T> std::optional<ZEMPropertyValue> wrap(std::optional<T> value) {
    if (!value)
        return std::nullopt;
    return ZEMPropertyValue(std::move(*value));
}

} // namespace

const RADIUSProperty radiusPropertyTable[8] = {
    {"radiusSize", [](const RADIUSDissector&, ByteView d) { return wrap(d.loadBigEndian16(0)); }},
    {"radiusCode", [](const RADIUSDissector&, ByteView d) { return wrap(d.at(0)); }},
    {"radiusCodeResolved",
     [](const RADIUSDissector& r, ByteView d) { return wrap(r.radiusCodeText(d)); }},
    {"radiusIdentifier", [](const RADIUSDissector&, ByteView d) { return wrap(d.at(0)); }},
    {"radiusAuthenticator",
     [](const RADIUSDissector& r, ByteView d) { return wrap(r.authenticatorText(d)); }},
    {"radiusAVPData",
     [](const RADIUSDissector& r, ByteView d) {
         auto list = r.attributeListData(d);
         return wrap(list ? std::optional(list->copy()) : std::nullopt);
     }},
    {"radiusAVPString",
     [](const RADIUSDissector& r, ByteView d) { return wrap(r.attributeTypeList(d)); }},
    {"radiusProtocolInfo",
     [](const RADIUSDissector& r, ByteView d) { return wrap(r.protocolInfo(d)); }},
};

std::optional<ZEMPropertyValue> RADIUSDissector::propertyValue(std::string_view key,
                                                               ByteView data) const {
    for (const auto& property : radiusPropertyTable)
        if (property.key == key)
            return property.decode(*this, data);
    return std::nullopt;
}

} // namespace radius
