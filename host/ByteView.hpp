// ByteView: a non-owning, bounds-checked view of message octets.
//
// Every read of packet data goes through this view. Reads past the end answer
// std::nullopt instead of touching memory, and slices clamp to the octets that exist,
// so a decoder can ask for a range of a short message and then see that a load fails.
//
//   ByteView v{message};
//   auto length = v.loadUnaligned<std::uint16_t>(2);   // host order, like the platform
//   auto attrs  = v.slice(20);                           // empty when the message is shorter
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace zem {

/// Owning octets, for values that outlive the message they came from.
using ByteBuffer = std::vector<std::uint8_t>;

class ByteView {
public:
    constexpr ByteView() = default;
    constexpr ByteView(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    ByteView(const ByteBuffer& buffer) : bytes_(buffer.data(), buffer.size()) {}
    ByteView(std::string_view text)
        : bytes_(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()) {}

    constexpr std::size_t size() const { return bytes_.size(); }
    constexpr bool empty() const { return bytes_.empty(); }
    constexpr std::span<const std::uint8_t> span() const { return bytes_; }
    constexpr auto begin() const { return bytes_.begin(); }
    constexpr auto end() const { return bytes_.end(); }

    /// Reads a trivially copyable value at `offset` in host byte order, as the platform's
    /// unaligned load does; nothing when the value does not lie wholly inside the view.
    template <typename T> std::optional<T> loadUnaligned(std::size_t offset) const {
        static_assert(std::is_trivially_copyable_v<T>);
        if (offset > bytes_.size() || bytes_.size() - offset < sizeof(T))
            return std::nullopt;
        T value;
        std::memcpy(&value, bytes_.data() + offset, sizeof(T));
        return value;
    }

    /// The octet at `offset`, or nothing past the end.
    std::optional<std::uint8_t> at(std::size_t offset) const {
        return offset < bytes_.size() ? std::optional(bytes_[offset]) : std::nullopt;
    }

    /// Big-endian reads of wire integers (inline: every packet layer calls them).
    std::optional<std::uint16_t> loadBigEndian16(std::size_t offset) const {
        if (offset > bytes_.size() || bytes_.size() - offset < 2)
            return std::nullopt;
        return static_cast<std::uint16_t>((bytes_[offset] << 8) | bytes_[offset + 1]);
    }
    std::optional<std::uint32_t> loadBigEndian32(std::size_t offset) const {
        if (offset > bytes_.size() || bytes_.size() - offset < 4)
            return std::nullopt;
        return (std::uint32_t{bytes_[offset]} << 24) | (std::uint32_t{bytes_[offset + 1]} << 16) |
               (std::uint32_t{bytes_[offset + 2]} << 8) | bytes_[offset + 3];
    }

    /// The octets from `from` on, at most `count` of them; empty when `from` lies past the end.
    constexpr ByteView slice(std::size_t from, std::size_t count) const {
        if (from >= bytes_.size())
            return {};
        return ByteView{bytes_.subspan(from, std::min(count, bytes_.size() - from))};
    }
    constexpr ByteView slice(std::size_t from) const { return slice(from, bytes_.size()); }

    ByteBuffer copy() const { return ByteBuffer(bytes_.begin(), bytes_.end()); }

    /// Hexadecimal text of the octets. `lowercase` picks the digit case, `width` pads each
    /// octet with leading zeros, and `separate` puts a blank between octets.
    std::string hexRepresentation(bool lowercase = true, int width = 2,
                                  bool separate = false) const;
    /// The same text, appended to `out`.
    void appendHexRepresentation(std::string& out, bool lowercase = true, int width = 2,
                                 bool separate = false) const;
    /// Lower-case hexadecimal, two digits an octet, written at `out`, which has room for
    /// twice size() characters; answers where it ended.
    char* writeHexRepresentation(char* out) const;

private:
    std::span<const std::uint8_t> bytes_;
};

/// Parses hexadecimal text; blanks, colons and a leading "0x" are allowed between octets.
std::optional<ByteBuffer> parseHexBytes(std::string_view text);

} // namespace zem
