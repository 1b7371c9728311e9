#include "dictionary/AvpWalker.hpp"

#include "wire/RadiusProtocol.hpp"

namespace analysis {

namespace {

constexpr std::uint8_t vendorSpecificType = attribute::vendorSpecific;
constexpr std::uint32_t evsMarker = 0x80000000u;

// A long-extended value's flags octet follows its extended type; More says that the value
// goes on in the next attribute.
bool moreFollows(zem::ByteView longExtendedValue) {
    return (*longExtendedValue.at(1) & 0x80) != 0;
}

std::uint32_t bigEndian(zem::ByteView octets) {
    std::uint32_t value = 0;
    for (auto octet : octets)
        value = value << 8 | octet;
    return value;
}

} // namespace

void AvpWalker::walk(const WireMessage& message, const Visit& visit) {
    joined_.clear();
    for (const auto& raw : message.attributes) {
        if (!raw.whole())
            break; // the last of the list, and not all there
        if (continuesLongValue(raw)) {
            const auto part = raw.value.slice(2);
            longValue_->octets.insert(longValue_->octets.end(), part.begin(), part.end());
            if (!moreFollows(raw.value))
                finishLongValue(visit);
            continue;
        }
        finishLongValue(visit);
        attribute(raw.type, raw.value, raw.offset, visit);
    }
    finishLongValue(visit);
}

void AvpWalker::attribute(std::uint8_t type, zem::ByteView value, std::size_t offset,
                          const Visit& visit) {
    if (type == vendorSpecificType) {
        vendorSpecific(value, offset, visit);
        return;
    }
    const AvpPath path = AvpPath{}.child(type);
    const auto* definition = dictionary_.find(path);
    if (definition &&
        (definition->type == AvpType::extended || definition->type == AvpType::longExtended)) {
        extended(type, value, offset, definition->type == AvpType::longExtended, visit);
        return;
    }
    deliver(path, definition, value, offset, visit);
}

void AvpWalker::vendorSpecific(zem::ByteView value, std::size_t offset, const Visit& visit) {
    const auto vendorId = value.loadBigEndian32(0);
    const auto* vendor = vendorId ? dictionary_.vendor(*vendorId) : nullptr;
    if (!vendor) {
        deliver(AvpPath{}.child(vendorSpecificType), value, offset, visit);
        return;
    }
    const std::size_t t = vendor->typeOctets, l = vendor->lengthOctets;
    const std::size_t head = t + l + (vendor->continuation ? 1 : 0);
    std::size_t at = 4;
    while (at + head <= value.size()) {
        const std::uint32_t type = bigEndian(value.slice(at, t));
        // Without a length field the attribute runs to the end.
        std::size_t size = l == 0 ? value.size() - at : bigEndian(value.slice(at + t, l));
        if (size < head || at + size > value.size())
            return;
        AvpPath path;
        path.vendor = *vendorId;
        deliver(path.child(type), value.slice(at + head, size - head), offset, visit);
        at += size;
    }
}

void AvpWalker::extended(std::uint8_t type, zem::ByteView value, std::size_t offset, bool isLong,
                         const Visit& visit) {
    const std::size_t head = isLong ? 2 : 1;
    if (value.size() < head) {
        deliver(AvpPath{}.child(type), value, offset, visit);
        return;
    }
    const std::uint8_t extendedType = *value.at(0);
    zem::ByteView data = value.slice(head);
    // A long value goes on in the next attributes of the same types while More is set.
    if (isLong && moreFollows(value)) {
        longValue_ =
            LongValue{type, extendedType, offset, zem::ByteBuffer(data.begin(), data.end())};
        return;
    }
    deliverExtended(type, extendedType, data, offset, visit);
}

bool AvpWalker::continuesLongValue(const Attribute& raw) const {
    return longValue_ && raw.type == longValue_->type && raw.value.size() >= 2 &&
           *raw.value.at(0) == longValue_->extendedType;
}

void AvpWalker::finishLongValue(const Visit& visit) {
    if (!longValue_)
        return;
    auto value = *std::move(longValue_);
    longValue_.reset();
    joined_.push_back(std::move(value.octets));
    deliverExtended(value.type, value.extendedType, zem::ByteView(joined_.back()), value.offset,
                    visit);
}

void AvpWalker::deliverExtended(std::uint8_t type, std::uint8_t extendedType, zem::ByteView data,
                                std::size_t offset, const Visit& visit) {
    const AvpPath path = AvpPath{}.child(type).child(extendedType);
    const auto* definition = dictionary_.find(path);
    if (definition && definition->type == AvpType::evs && data.size() >= 5) {
        AvpPath vendorPath;
        vendorPath.vendor = *data.loadBigEndian32(0);
        deliver(vendorPath.child(evsMarker | type).child(*data.at(4)), data.slice(5), offset,
                visit);
        return;
    }
    deliver(path, definition, data, offset, visit);
}

void AvpWalker::deliver(const AvpPath& path, zem::ByteView value, std::size_t offset,
                        const Visit& visit) {
    deliver(path, dictionary_.find(path), value, offset, visit);
}

void AvpWalker::deliver(const AvpPath& path, const AttributeDefinition* definition,
                        zem::ByteView value, std::size_t offset, const Visit& visit) {
    DecodedAvp avp{definition, path, value, std::nullopt, offset};
    if (definition && definition->hasTag && !value.empty()) {
        // RFC 2868: integers always carry the tag octet; texts only when it is 0 to 31.
        const std::uint8_t first = *value.at(0);
        const bool tagged =
            definition->type != AvpType::string || definition->encrypt != 0 || first <= 0x1F;
        if (tagged) {
            avp.tag = first;
            avp.value = value.slice(1); // a tagged integer keeps three octets
        }
    }
    visit(avp);
    if (definition && definition->type == AvpType::tlv)
        forEachSubAttribute(value, 0, [&](std::uint8_t type, zem::ByteView member) {
            deliver(path.child(type), member, offset, visit);
        });
}

NamedAttributes NamedAttributes::of(const RadiusDictionary& dictionary,
                                    const WireMessage& message) {
    NamedAttributes named;
    named.attributes.reserve(message.attributes.size());
    AvpWalker walker(dictionary);
    walker.walk(message, [&](const DecodedAvp& avp) { named.attributes.push_back(avp); });
    named.joined = walker.takeJoined();
    return named;
}

} // namespace analysis
