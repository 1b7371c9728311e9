#include "PropertyListNesting.hpp"

#include <string_view>
#include <utility>
#include <vector>

namespace zem {

namespace {

std::optional<std::uint64_t> bigEndian(ByteView bytes, std::size_t at, std::size_t size) {
    if (size == 0 || size > 8 || at > bytes.size() || bytes.size() - at < size)
        return std::nullopt;
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < size; ++i)
        value = value << 8 | *bytes.at(at + i);
    return value;
}

// XML: every <array> and <dict> opens a level (an empty one, <array/>, does not), every
// </array> and </dict> closes one. Tags inside comments count too: such a file is refused
// rather than parsed.
bool xmlWithin(std::string_view text, int maximumDepth) {
    int depth = 0;
    for (std::size_t at = text.find('<'); at != std::string_view::npos;
         at = text.find('<', at + 1)) {
        const auto rest = text.substr(at + 1);
        const bool closing = rest.starts_with('/');
        const auto name = closing ? rest.substr(1) : rest;
        const std::size_t nameLength = name.starts_with("array")  ? 5
                                       : name.starts_with("dict") ? 4
                                                                  : 0;
        if (nameLength == 0 || name.size() <= nameLength)
            continue;
        const char after = name[nameLength];
        if (after != '>' && after != '/' && after != ' ' && after != '\t' && after != '\n' &&
            after != '\r')
            continue; // another tag that starts the same way
        const auto end = text.find('>', at);
        if (end == std::string_view::npos)
            return true; // libplist finds the tag unfinished
        if (closing)
            --depth;
        else if (text[end - 1] != '/' && ++depth > maximumDepth)
            return false;
    }
    return true;
}

// Binary (bplist00): the trailer names the sizes of offsets and references, the number
// of objects, the top object and where the offset table is. Arrays (0xA), sets (0xC) and
// dictionaries (0xD) refer to their members; a dictionary's keys are strings.
bool binaryWithin(ByteView bytes, int maximumDepth) {
    if (bytes.size() < 8 + 32)
        return false;
    const std::size_t trailer = bytes.size() - 32;
    const auto offsetSize = *bytes.at(trailer + 6), referenceSize = *bytes.at(trailer + 7);
    const auto objects = bigEndian(bytes, trailer + 8, 8);
    const auto top = bigEndian(bytes, trailer + 16, 8);
    const auto table = bigEndian(bytes, trailer + 24, 8);
    if (!objects || !top || !table || *top >= *objects || *objects > bytes.size() ||
        *table > bytes.size())
        return false;
    auto offsetOf = [&](std::uint64_t object) {
        return bigEndian(bytes, static_cast<std::size_t>(*table + object * offsetSize), offsetSize);
    };
    // Depth first, with a stack of (object, depth); the path's objects are marked so that
    // a list referring back to itself is seen.
    std::vector<std::pair<std::uint64_t, int>> pending = {{*top, 1}};
    std::vector<std::uint64_t> path;
    std::vector<bool> onPath(static_cast<std::size_t>(*objects), false);
    // Objects shared by many containers are walked once per path: a list built to make
    // that explode is refused, as libplist would copy it as often.
    std::uint64_t visits = 0;
    const std::uint64_t maximumVisits = *objects * 4 + 100000;
    while (!pending.empty()) {
        if (++visits > maximumVisits)
            return false;
        const auto [object, depth] = pending.back();
        pending.pop_back();
        while (static_cast<int>(path.size()) >= depth) {
            onPath[static_cast<std::size_t>(path.back())] = false;
            path.pop_back();
        }
        const auto offset = offsetOf(object);
        if (!offset || *offset >= bytes.size())
            return false;
        const auto marker = *bytes.at(static_cast<std::size_t>(*offset));
        const unsigned kind = marker >> 4;
        if (kind != 0xA && kind != 0xC && kind != 0xD)
            continue;
        if (depth > maximumDepth || onPath[static_cast<std::size_t>(object)])
            return false;
        std::uint64_t count = marker & 0x0F;
        std::size_t at = static_cast<std::size_t>(*offset) + 1;
        if (count == 0x0F) { // the count follows as an integer object
            const auto integer = bytes.at(at);
            if (!integer || (*integer >> 4) != 0x1)
                return false;
            const std::size_t size = std::size_t{1} << (*integer & 0x0F);
            const auto value = bigEndian(bytes, at + 1, size);
            if (!value)
                return false;
            count = *value;
            at += 1 + size;
        }
        const std::uint64_t references = kind == 0xD ? count * 2 : count;
        if (references > bytes.size())
            return false;
        onPath[static_cast<std::size_t>(object)] = true;
        path.push_back(object);
        for (std::uint64_t i = 0; i < references; ++i) {
            const auto member =
                bigEndian(bytes, at + static_cast<std::size_t>(i) * referenceSize, referenceSize);
            if (!member || *member >= *objects)
                return false;
            pending.emplace_back(*member, depth + 1);
        }
    }
    return true;
}

} // namespace

bool propertyListNestingWithin(ByteView bytes, int maximumDepth) {
    const std::string_view text(reinterpret_cast<const char*>(bytes.span().data()), bytes.size());
    if (text.starts_with("bplist00"))
        return binaryWithin(bytes, maximumDepth);
    return xmlWithin(text, maximumDepth);
}

} // namespace zem
