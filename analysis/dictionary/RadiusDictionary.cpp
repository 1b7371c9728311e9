#include "dictionary/RadiusDictionary.hpp"

#include "IPAddress.hpp"

#include <algorithm>

namespace analysis {

namespace {

struct TypeWord {
    std::string_view word;
    AvpType type;
};

// The dictionaries' words; several are other spellings of one type.
constexpr TypeWord typeWords[] = {
    {"string", AvpType::string},
    {"octets", AvpType::octets},
    {"ipaddr", AvpType::ipaddr},
    {"ipv4addr", AvpType::ipaddr},
    {"ipv6addr", AvpType::ipv6addr},
    {"ipv6prefix", AvpType::ipv6prefix},
    {"ipv4prefix", AvpType::ipv4prefix},
    {"integer", AvpType::integer},
    {"uint32", AvpType::integer},
    {"integer64", AvpType::integer64},
    {"uint64", AvpType::integer64},
    {"date", AvpType::date},
    {"byte", AvpType::byte},
    {"uint8", AvpType::byte},
    {"short", AvpType::shortInteger},
    {"uint16", AvpType::shortInteger},
    {"signed", AvpType::signedInteger},
    {"int32", AvpType::signedInteger},
    {"ether", AvpType::ether},
    {"ifid", AvpType::ifid},
    {"tlv", AvpType::tlv},
    {"abinary", AvpType::abinary},
    {"combo-ip", AvpType::comboIp},
    {"vsa", AvpType::vsa},
    {"extended", AvpType::extended},
    {"long-extended", AvpType::longExtended},
    {"evs", AvpType::evs},
};

} // namespace

std::optional<AvpType> avpTypeNamed(std::string_view word) {
    // "octets[16]" is octets of a fixed size.
    word = word.substr(0, word.find('['));
    for (const auto& entry : typeWords) {
        if (entry.word.size() != word.size())
            continue;
        if (std::equal(word.begin(), word.end(), entry.word.begin(),
                       [](char a, char b) { return (a | 0x20) == b || a == b; }))
            return entry.type;
    }
    return std::nullopt;
}

std::string_view avpTypeName(AvpType type) {
    for (const auto& entry : typeWords)
        if (entry.type == type)
            return entry.word;
    return "octets";
}

AvpPath AvpPath::child(std::uint32_t number) const {
    AvpPath path = *this;
    if (path.depth < path.numbers.size())
        path.numbers[path.depth++] = number;
    return path;
}

std::size_t AvpPathHash::operator()(const AvpPath& path) const noexcept {
    std::uint64_t h = zem::hashMix(path.vendor, path.depth);
    for (std::size_t i = 0; i < path.depth; ++i)
        h = zem::hashMix(h, path.numbers[i]);
    return static_cast<std::size_t>(h);
}

const std::string* AttributeDefinition::valueName(std::uint64_t value) const {
    auto found =
        std::lower_bound(valueNames.begin(), valueNames.end(), value,
                         [](const auto& entry, std::uint64_t v) { return entry.first < v; });
    return found == valueNames.end() || found->first != value ? nullptr : &found->second;
}

std::string avpFieldName(std::string_view name) {
    std::string field(name);
    std::replace(field.begin(), field.end(), '-', '_');
    return field;
}

namespace {

// Names are found whatever their letter case, and with '-' or '_', as FreeRADIUS and
// tshark users write them.
constexpr std::array<char, 256> foldedTable() {
    std::array<char, 256> table{};
    for (int c = 0; c < 256; ++c)
        table[static_cast<std::size_t>(c)] =
            c == '-' ? '_' : static_cast<char>(c >= 'A' && c <= 'Z' ? c | 0x20 : c);
    return table;
}
constexpr auto foldedChars = foldedTable();

char folded(char c) {
    return foldedChars[static_cast<unsigned char>(c)];
}

} // namespace

std::size_t RadiusDictionary::NameHash::operator()(std::string_view name) const {
    std::uint64_t h = name.size();
    for (char c : name)
        h = (h ^ static_cast<unsigned char>(folded(c))) * 0x100000001b3ULL;
    return static_cast<std::size_t>(h);
}

bool RadiusDictionary::NameEqual::operator()(std::string_view a,
                                             std::string_view b) const noexcept {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return folded(x) == folded(y);
           });
}

AttributeDefinition& RadiusDictionary::addAttribute(AttributeDefinition definition) {
    definition.fieldName = zem::ZEMNodeLabel(avpFieldName(definition.name));
    auto at = byPath_.find(definition.path);
    std::size_t index;
    if (at != byPath_.end()) {
        // A later definition of the same number wins; its earlier name still finds it.
        index = at->second;
        auto values = std::move(attributes_[index].valueNames);
        attributes_[index] = std::move(definition);
        attributes_[index].valueNames = std::move(values);
    } else {
        index = attributes_.size();
        byPath_.emplace(definition.path, index);
        if (definition.path.vendor == 0 && definition.path.depth == 1)
            standard_[definition.path.numbers[0] & 0xFF] = index;
        attributes_.push_back(std::move(definition));
    }
    byName_.insert_or_assign(attributes_[index].name, index);
    return attributes_[index];
}

void RadiusDictionary::reserve(std::size_t count) {
    attributes_.reserve(count);
    byPath_.reserve(count);
    byName_.reserve(count);
}

void RadiusDictionary::settle() {
    for (auto& attribute : attributes_) {
        auto& values = attribute.valueNames;
        // Stable, so that of equal numbers the one added last is last; it alone stays.
        std::stable_sort(values.begin(), values.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        auto kept = values.begin();
        for (auto at = values.begin(); at != values.end(); ++at) {
            if (std::next(at) != values.end() && std::next(at)->first == at->first)
                continue;
            if (kept != at)
                *kept = std::move(*at);
            ++kept;
        }
        values.erase(kept, values.end());
    }
}

void RadiusDictionary::addVendor(VendorDefinition vendor) {
    const auto id = vendor.id;
    vendors_[id] = std::move(vendor);
}

const AttributeDefinition* RadiusDictionary::find(const AvpPath& path) const {
    if (path.vendor == 0 && path.depth == 1 && path.numbers[0] < standard_.size()) {
        const auto index = standard_[path.numbers[0]];
        return index == noAttribute ? nullptr : &attributes_[index];
    }
    auto found = byPath_.find(path);
    return found == byPath_.end() ? nullptr : &attributes_[found->second];
}

const AttributeDefinition* RadiusDictionary::named(std::string_view name) const {
    auto found = byName_.find(name);
    return found == byName_.end() ? nullptr : &attributes_[found->second];
}

AttributeDefinition* RadiusDictionary::named(std::string_view name) {
    auto found = byName_.find(name);
    return found == byName_.end() ? nullptr : &attributes_[found->second];
}

const VendorDefinition* RadiusDictionary::vendor(std::uint32_t id) const {
    auto found = vendors_.find(id);
    return found == vendors_.end() ? nullptr : &found->second;
}

const VendorDefinition* RadiusDictionary::vendorNamed(std::string_view name) const {
    for (const auto& [id, vendor] : vendors_)
        if (vendor.name == name)
            return &vendor;
    return nullptr;
}

} // namespace analysis
