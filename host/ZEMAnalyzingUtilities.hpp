// ZEMAnalyzingUtilities: text conversions and look-ups that analyzers share.
#pragma once

#include "ByteView.hpp"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace zem {

struct ZEMAnalyzingUtilities {
    /// Strict UTF-8: overlong forms, surrogates, code points past U+10FFFF and cut
    /// sequences make the whole text invalid.
    static std::optional<std::string> utfStringFromData(ByteView data);
    /// Octets up to 0x7F only.
    static std::optional<std::string> asciiStringFromData(ByteView data);
    /// Every octet is a Latin-1 character; the answer is its UTF-8 form.
    static std::optional<std::string> isoLatin1StringFromData(ByteView data);
    /// Lower-case hexadecimal, octets joined by ":" when a separator is asked for.
    static std::string hexStringFromData(ByteView data, bool withSeparator);
    /// The organisation registered for a private enterprise number given in decimal.
    static std::optional<std::string> smiNameFor(std::string_view identString);
    /// A host name for an address text through the system resolver (blocking). `version`
    /// is the address family: 2 for IPv4, anything else for IPv6.
    static std::optional<std::string> hostnameForIPString(const std::string& address, int version);
};

/// Whether the octets are valid UTF-8 in the strict sense above.
bool isValidUtf8(ByteView data);

/// Reads the enterprise-number registry (number TAB organisation per line, # comments).
/// Exposed for tests; smiNameFor loads the installed file once, on first use.
class EnterpriseNumberRegistry {
public:
    static EnterpriseNumberRegistry parse(std::string contents);
    std::optional<std::string_view> nameFor(std::uint32_t number) const;
    std::size_t size() const { return names_.size(); }

private:
    // The registry has tens of thousands of names, read by the first message that names a
    // vendor: they stay in the file's text rather than each in a string of its own. The
    // text is held apart, so that the names stay valid when the registry moves.
    std::unique_ptr<const std::string> text_;
    std::vector<std::pair<std::uint32_t, std::string_view>> names_; // sorted by number
};

} // namespace zem
