// RadiusDictionary: the names, types and value names of RADIUS attributes, standard and
// vendor-specific, as FreeRADIUS-format dictionaries define them (read by
// DictionaryReader). An attribute is found by its vendor and its number path: "1" for
// User-Name, "241.1" for an extended type, "26.311.16" is vendor 311's "16", "59.1" a
// TLV's child.
#pragma once

#include "ZEMNode.hpp"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace analysis {

enum class AvpType : std::uint8_t {
    string,
    octets,
    ipaddr,
    ipv6addr,
    ipv6prefix,
    ipv4prefix,
    integer,
    integer64,
    date,
    byte,
    shortInteger,
    signedInteger,
    ether,
    ifid,
    tlv,
    abinary,
    comboIp,
    vsa,
    extended,
    longExtended,
    evs
};
/// The dictionary's word for a type ("short"), or nothing for an unknown word.
std::optional<AvpType> avpTypeNamed(std::string_view word);
std::string_view avpTypeName(AvpType type);

/// Where an attribute sits: its vendor (0 for none) and its numbers from the outermost.
struct AvpPath {
    std::uint32_t vendor = 0;
    std::array<std::uint32_t, 4> numbers{};
    std::uint8_t depth = 0;

    AvpPath child(std::uint32_t number) const;
    bool operator==(const AvpPath&) const = default;
};

struct AvpPathHash {
    std::size_t operator()(const AvpPath& path) const noexcept;
};

struct AttributeDefinition {
    std::string name; // "User-Name"
    /// "User_Name": the name with '-' written as '_'; looked at once for octets to escape,
    /// since JSON writes it as a key in every message that carries the attribute.
    zem::ZEMNodeLabel fieldName;
    AvpPath path;
    AvpType type = AvpType::octets;
    bool hasTag = false;
    std::uint8_t encrypt = 0; // 1 User-Password, 2 Tunnel-Password, 3 Ascend
    /// Number and name, sorted by number once the dictionary is read (see
    /// RadiusDictionary::settle); of two names for one number the later stands.
    std::vector<std::pair<std::uint64_t, std::string>> valueNames;

    /// The name of an enumerated value, if the dictionary gives one.
    const std::string* valueName(std::uint64_t value) const;
};

struct VendorDefinition {
    std::string name;
    std::uint32_t id = 0;
    std::uint8_t typeOctets = 1;   // 1, 2 or 4
    std::uint8_t lengthOctets = 1; // 0, 1 or 2
    bool continuation = false;     // WiMAX's continuation octet
};

class RadiusDictionary {
public:
    /// Adds or replaces the attribute at its path; answers it.
    AttributeDefinition& addAttribute(AttributeDefinition definition);
    void addVendor(VendorDefinition vendor);

    const AttributeDefinition* find(const AvpPath& path) const;
    /// By field name ("User_Name") or dictionary name ("User-Name").
    const AttributeDefinition* named(std::string_view name) const;
    AttributeDefinition* named(std::string_view name);
    const VendorDefinition* vendor(std::uint32_t id) const;
    const VendorDefinition* vendorNamed(std::string_view name) const;

    const std::vector<AttributeDefinition>& attributes() const { return attributes_; }
    bool empty() const { return attributes_.empty(); }

    /// Makes room for about `count` attributes at once rather than growing step by step.
    void reserve(std::size_t count);
    /// Sorts the value names that were added, for lookup; called once all are read.
    void settle();

private:
    static constexpr std::size_t noAttribute = ~std::size_t{0};
    std::vector<AttributeDefinition> attributes_;
    std::unordered_map<AvpPath, std::size_t, AvpPathHash> byPath_;
    // The standard types, looked up for nearly every attribute, without hashing.
    std::array<std::size_t, 256> standard_ = filledStandard();
    static constexpr std::array<std::size_t, 256> filledStandard() {
        std::array<std::size_t, 256> table{};
        for (auto& entry : table)
            entry = noAttribute;
        return table;
    }
    // Keyed by the name in lower case with '-' as '_', found without making that key.
    // Not noexcept, so that the table keeps each hash rather than hashing again when it
    // grows.
    struct NameHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view name) const;
    };
    struct NameEqual {
        using is_transparent = void;
        bool operator()(std::string_view a, std::string_view b) const noexcept;
    };
    std::unordered_map<std::string, std::size_t, NameHash, NameEqual> byName_;
    std::unordered_map<std::uint32_t, VendorDefinition> vendors_;
};

/// The field name of a dictionary name: "Acct-Session-Id" gives "Acct_Session_Id".
std::string avpFieldName(std::string_view name);

} // namespace analysis
