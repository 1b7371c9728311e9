// AvpWalker: the attributes of a RADIUS message as the dictionary names them: standard
// ones, the attributes inside Vendor-Specific (in each vendor's format), the extended
// and long-extended types of RFC 6929 (long values put back together), their
// Extended-Vendor-Specific attributes, and the members of TLVs. Tags are taken off
// tagged values. Nothing is copied except long-extended values that span attributes.
#pragma once

#include "ByteView.hpp"
#include "dictionary/RadiusDictionary.hpp"
#include "wire/WireMessage.hpp"

#include <functional>
#include <optional>
#include <vector>

namespace analysis {

struct DecodedAvp {
    const AttributeDefinition* definition; // nullptr: the dictionary does not know it
    AvpPath path;
    zem::ByteView value;
    std::optional<std::uint8_t> tag;
    std::size_t attributeOffset; // of the message attribute that carries it
};

/// A call of a caller's lambda, without std::function's copy and allocation: the walk
/// runs for every message, and the lambda outlives it.
class AvpVisit {
public:
    template <typename F>
    AvpVisit(F&& visit) // NOLINT: converts any callable, as std::function does
        : object_(static_cast<const void*>(std::addressof(visit))),
          call_([](const void* object, const DecodedAvp& avp) {
              (*static_cast<std::remove_reference_t<F>*>(const_cast<void*>(object)))(avp);
          }) {}
    void operator()(const DecodedAvp& avp) const { call_(object_, avp); }

private:
    const void* object_;
    void (*call_)(const void*, const DecodedAvp&);
};

class AvpWalker {
public:
    using Visit = AvpVisit;
    explicit AvpWalker(const RadiusDictionary& dictionary) : dictionary_(dictionary) {}

    /// Calls `visit` for each whole attribute of the message's attribute list, in order.
    /// The views handed out live until the next walk, or as long as the octets that
    /// takeJoined() hands over.
    void walk(const WireMessage& message, const Visit& visit);
    /// The long-extended values the last walk put back together, which its views point
    /// into: for a caller that keeps the views.
    std::vector<zem::ByteBuffer> takeJoined() { return std::move(joined_); }
    /// Calls `visit` for the attributes that one whole Vendor-Specific attribute carries,
    /// as walk() would reach them: no long value ever takes in a Vendor-Specific.
    void walkVendorSpecific(const Attribute& raw, const Visit& visit) {
        vendorSpecific(raw.value, raw.offset, visit);
    }

private:
    void attribute(std::uint8_t type, zem::ByteView value, std::size_t offset, const Visit& visit);
    void vendorSpecific(zem::ByteView value, std::size_t offset, const Visit& visit);
    void extended(std::uint8_t type, zem::ByteView value, std::size_t offset, bool isLong,
                  const Visit& visit);
    void deliverExtended(std::uint8_t type, std::uint8_t extendedType, zem::ByteView data,
                         std::size_t offset, const Visit& visit);
    bool continuesLongValue(const Attribute& raw) const;
    void finishLongValue(const Visit& visit);
    void deliver(const AvpPath& path, zem::ByteView value, std::size_t offset, const Visit& visit);
    // For a path whose definition the caller has already looked up.
    void deliver(const AvpPath& path, const AttributeDefinition* definition, zem::ByteView value,
                 std::size_t offset, const Visit& visit);

    const RadiusDictionary& dictionary_;
    // Long-extended values put back together; each keeps its octets where they are when
    // the list grows.
    std::vector<zem::ByteBuffer> joined_;
    // A long-extended value whose More flag asks for the attributes after it.
    struct LongValue {
        std::uint8_t type;
        std::uint8_t extendedType;
        std::size_t offset;
        zem::ByteBuffer octets;
    };
    std::optional<LongValue> longValue_;
};

/// Every attribute of a message as the dictionary names it, kept: the views stay valid
/// as long as the message's octets and this value.
struct NamedAttributes {
    std::vector<DecodedAvp> attributes;
    std::vector<zem::ByteBuffer> joined; // long-extended values put back together

    static NamedAttributes of(const RadiusDictionary& dictionary, const WireMessage& message);
};

} // namespace analysis
