// StringTable: one localisation table of a bundle, "key" = "value"; pairs.
//
// Reads the text form (UTF-8, or UTF-16 with a byte-order mark; /* */ and // comments;
// backslash escapes including \U code points) and the property-list form. A malformed
// table is logged and left empty, so lookups answer their keys. Once built, a table is
// immutable and may be read from any thread.
#pragma once

#include "ByteView.hpp"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace zem {

class StringTable {
public:
    StringTable() = default;

    /// Parses a table from the octets of a file; `origin` names it in log lines.
    static StringTable parse(ByteView contents, std::string_view origin);
    /// Parses the text form only; nothing when the text is malformed.
    static std::optional<StringTable> parseText(std::string_view utf8);

    /// The entry for `key`, or nothing.
    std::optional<std::string_view> find(std::string_view key) const;
    std::size_t size() const { return entries_.size(); }

private:
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const {
            return std::hash<std::string_view>{}(text);
        }
    };
    std::unordered_map<std::string, std::string, Hash, std::equal_to<>> entries_;
};

/// Converts UTF-16 with a byte-order mark to UTF-8; nothing on an unpaired surrogate.
std::optional<std::string> utf16ToUtf8(ByteView bytes);
/// Appends the UTF-8 form of a code point.
void appendUtf8(std::string& out, char32_t codePoint);

} // namespace zem
