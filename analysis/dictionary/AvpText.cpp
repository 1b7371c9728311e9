#include "dictionary/AvpText.hpp"

#include "IPAddress.hpp"

#include <algorithm>
#include <ctime>

namespace analysis {

namespace {

// UTF-8 with each invalid sequence as U+FFFD, as tshark shows texts.
std::string withReplacements(zem::ByteView octets) {
    std::string out;
    out.reserve(octets.size());
    const auto bytes = octets.span();
    std::size_t i = 0;
    while (i < bytes.size()) {
        // Most texts are ASCII: a run of it is copied at once.
        const auto ascii = std::find_if(bytes.begin() + static_cast<std::ptrdiff_t>(i), bytes.end(),
                                        [](std::uint8_t b) { return b >= 0x80; });
        const auto run = static_cast<std::size_t>(ascii - bytes.begin()) - i;
        out.append(reinterpret_cast<const char*>(bytes.data() + i), run);
        i += run;
        if (i == bytes.size())
            break;
        const std::uint8_t lead = bytes[i];
        std::size_t length = lead < 0x80           ? 1
                             : (lead >> 5) == 0x6  ? 2
                             : (lead >> 4) == 0xE  ? 3
                             : (lead >> 3) == 0x1E ? 4
                                                   : 0;
        bool valid = length > 0 && i + length <= bytes.size();
        for (std::size_t k = 1; valid && k < length; ++k)
            valid = (bytes[i + k] & 0xC0) == 0x80;
        if (valid && length > 1) {
            // No overlong forms, surrogates or code points past U+10FFFF.
            std::uint32_t cp = lead & (0x7F >> length);
            for (std::size_t k = 1; k < length; ++k)
                cp = cp << 6 | (bytes[i + k] & 0x3F);
            valid = (length == 2 && cp >= 0x80) ||
                    (length == 3 && cp >= 0x800 && (cp < 0xD800 || cp > 0xDFFF)) ||
                    (length == 4 && cp >= 0x10000 && cp <= 0x10FFFF);
        }
        if (!valid) {
            out += "\xEF\xBF\xBD";
            ++i;
            continue;
        }
        out.append(reinterpret_cast<const char*>(bytes.data() + i), length);
        i += length;
    }
    return out;
}

std::optional<std::uint64_t> unsignedOf(zem::ByteView value, std::size_t size) {
    if (value.size() != size)
        return std::nullopt;
    std::uint64_t number = 0;
    for (auto octet : value)
        number = number << 8 | octet;
    return number;
}

std::string dateText(std::uint32_t seconds) {
    const std::time_t time = seconds;
    std::tm local{};
    localtime_r(&time, &local);
    char text[64];
    std::strftime(text, sizeof text, "%b %e, %Y %H:%M:%S.000000000 %Z", &local);
    return text;
}

std::string addressText(zem::ByteView value) {
    zem::IPAddress address;
    address.family = value.size() == 4 ? 4 : 6;
    std::copy(value.begin(), value.end(), address.bytes.begin());
    return address.text();
}

std::string etherText(zem::ByteView value) {
    std::string text = value.hexRepresentation();
    for (std::size_t at = text.size() - 2; at > 0; at -= 2)
        text.insert(at, 1, ':');
    return text;
}

} // namespace

std::optional<std::int64_t> avpNumber(const DecodedAvp& avp) {
    if (!avp.definition)
        return std::nullopt;
    const auto value = avp.value;
    switch (avp.definition->type) {
    case AvpType::byte:
        return unsignedOf(value, 1);
    case AvpType::shortInteger:
        return unsignedOf(value, 2);
    case AvpType::integer:
    case AvpType::date:
        // A tagged integer keeps the three octets after its tag.
        return unsignedOf(value, avp.tag && avp.definition->type == AvpType::integer ? 3 : 4);
    case AvpType::signedInteger:
        if (auto n = unsignedOf(value, 4))
            return static_cast<std::int32_t>(static_cast<std::uint32_t>(*n));
        return std::nullopt;
    case AvpType::integer64:
        if (auto n = unsignedOf(value, 8))
            return static_cast<std::int64_t>(*n);
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

const std::string* avpValueName(const DecodedAvp& avp) {
    const auto number = avpNumber(avp);
    return number && avp.definition ? avp.definition->valueName(static_cast<std::uint64_t>(*number))
                                    : nullptr;
}

std::optional<std::string> avpText(const DecodedAvp& avp) {
    const auto value = avp.value;
    if (!avp.definition)
        return value.hexRepresentation();
    switch (avp.definition->type) {
    case AvpType::string: {
        if (avp.definition->encrypt != 0)
            return value.hexRepresentation(); // hidden: its octets
        auto text = value;
        for (std::size_t i = 0; i < text.size(); ++i)
            if (text.span()[i] == 0) {
                text = text.slice(0, i);
                break;
            }
        return withReplacements(text);
    }
    case AvpType::ipaddr:
        if (value.size() != 4)
            return std::nullopt;
        return addressText(value);
    case AvpType::ipv6addr:
        if (value.size() != 16)
            return std::nullopt;
        return addressText(value);
    case AvpType::comboIp:
        if (value.size() != 4 && value.size() != 16)
            return std::nullopt;
        return addressText(value);
    case AvpType::ipv6prefix:
        if (value.size() < 2 || value.size() > 18 || *value.at(1) > 128)
            return std::nullopt;
        return value.hexRepresentation();
    case AvpType::ipv4prefix:
        if (value.size() != 6 || *value.at(1) > 32)
            return std::nullopt;
        return value.hexRepresentation();
    case AvpType::ether:
        if (value.size() != 6)
            return std::nullopt;
        return etherText(value);
    case AvpType::date:
        if (auto n = avpNumber(avp))
            return dateText(static_cast<std::uint32_t>(*n));
        return std::nullopt;
    case AvpType::byte:
    case AvpType::shortInteger:
    case AvpType::integer:
    case AvpType::signedInteger:
    case AvpType::integer64:
        if (auto n = avpNumber(avp))
            return avp.definition->type == AvpType::integer64
                       ? std::to_string(static_cast<std::uint64_t>(*n))
                       : std::to_string(*n);
        return std::nullopt;
    default:
        return value.hexRepresentation();
    }
}

AvpTypedValue avpTypedValue(const DecodedAvp& avp) {
    if (avp.definition && avp.definition->type != AvpType::date)
        if (auto n = avpNumber(avp))
            return *n;
    if (auto text = avpText(avp))
        return std::move(*text);
    return std::monostate{};
}

std::vector<AvpValue> avpValuesByAttribute(const NamedAttributes& named) {
    // One list for all values, not one for each attribute: a JSON object is written for
    // every message shown, and repeats are rare.
    std::vector<AvpValue> gathered;
    gathered.reserve(named.attributes.size());
    for (const auto& avp : named.attributes) {
        if (!avp.definition || avp.definition->type == AvpType::tlv)
            continue;
        auto value = avpTypedValue(avp);
        if (std::holds_alternative<std::monostate>(value))
            continue;
        // A repeat joins the end of its attribute's run; few attributes per message, so a
        // search from the end beats a map.
        const auto same = std::find_if(gathered.rbegin(), gathered.rend(), [&](const auto& g) {
            return g.definition == avp.definition;
        });
        if (same == gathered.rend())
            gathered.push_back({avp.definition, std::move(value)});
        else
            gathered.insert(same.base(), {avp.definition, std::move(value)});
    }
    return gathered;
}

} // namespace analysis
