#include "AvpWalker.hpp"

#include "AttributeWalk.hpp"

namespace analysis {

namespace {

constexpr std::uint8_t vendorSpecificType = 26;
constexpr std::uint32_t evsMarker = 0x80000000u;

std::uint32_t bigEndian(zem::ByteView octets) {
    std::uint32_t value = 0;
    for (auto octet : octets)
        value = value << 8 | octet;
    return value;
}

} // namespace

void AvpWalker::walk(zem::ByteView message, const Visit& visit) {
    joined_.clear();
    message_ = message.slice(0, message.loadBigEndian16(2).value_or(0));
    next_ = 0;
    forEachAttribute(message, [&](const RawAttribute& raw) {
        if (raw.offset < next_)
            return; // a part of the long extended attribute before it, joined there
        next_ = raw.offset + raw.length;
        attribute(raw.type, raw.value, raw.offset, visit);
    });
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
    deliver(path, value, offset, visit);
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
    if (isLong && (*value.at(1) & 0x80)) {
        zem::ByteBuffer whole(data.begin(), data.end());
        bool more = true;
        while (more && next_ + 4 <= message_.size() && *message_.at(next_) == type &&
               *message_.at(next_ + 2) == extendedType) {
            const std::uint8_t size = *message_.at(next_ + 1);
            if (size < 4 || next_ + size > message_.size())
                break;
            const auto part = message_.slice(next_ + 4, size - 4U);
            whole.insert(whole.end(), part.begin(), part.end());
            more = (*message_.at(next_ + 3) & 0x80) != 0;
            next_ += size;
        }
        joined_.push_back(std::move(whole));
        data = zem::ByteView(joined_.back());
    }
    const AvpPath path = AvpPath{}.child(type).child(extendedType);
    const auto* definition = dictionary_.find(path);
    if (definition && definition->type == AvpType::evs && data.size() >= 5) {
        AvpPath vendorPath;
        vendorPath.vendor = *data.loadBigEndian32(0);
        deliver(vendorPath.child(evsMarker | type).child(*data.at(4)), data.slice(5), offset,
                visit);
        return;
    }
    deliver(path, data, offset, visit);
}

void AvpWalker::deliver(const AvpPath& path, zem::ByteView value, std::size_t offset,
                        const Visit& visit) {
    const auto* definition = dictionary_.find(path);
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
    if (definition && definition->type == AvpType::tlv) {
        std::size_t at = 0;
        while (at + 2 <= value.size()) {
            const std::uint8_t type = *value.at(at);
            const std::uint8_t size = *value.at(at + 1);
            if (size < 2 || at + size > value.size())
                return;
            deliver(path.child(type), value.slice(at + 2, size - 2U), offset, visit);
            at += size;
        }
    }
}

} // namespace analysis
