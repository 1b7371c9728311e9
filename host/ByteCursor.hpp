// ByteCursor: reads a wire structure front to back (numbers, fixed runs of octets, and
// vectors behind a length prefix, as TLS lays them out). Each read answers nothing when
// the octets are not all there, and then leaves the cursor where it was, so that a
// decoder shows what it read before the cut.
//
//   ByteCursor cursor(record);
//   auto type = cursor.u8();
//   auto body = cursor.vector24();   // a 24-bit length, then that many octets
#pragma once

#include "ByteView.hpp"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace zem {

class ByteCursor {
public:
    explicit ByteCursor(ByteView octets) : octets_(octets) {}

    std::optional<std::uint8_t> u8() { return number(1); }
    std::optional<std::uint16_t> u16() {
        const auto value = number(2);
        return value ? std::optional<std::uint16_t>(static_cast<std::uint16_t>(*value))
                     : std::nullopt;
    }
    std::optional<std::uint32_t> u24() { return number(3); }
    std::optional<std::uint32_t> u32() { return number(4); }

    /// The next `count` octets.
    std::optional<ByteView> take(std::size_t count) {
        if (count > remaining())
            return std::nullopt;
        const auto taken = octets_.slice(at_, count);
        at_ += count;
        return taken;
    }
    /// The octets behind a length prefix of `prefixOctets` (1 to 4).
    std::optional<ByteView> vector(std::size_t prefixOctets) {
        const auto start = at_;
        const auto length = number(prefixOctets);
        if (!length)
            return std::nullopt;
        auto body = take(*length);
        if (!body)
            at_ = start;
        return body;
    }
    std::optional<ByteView> vector8() { return vector(1); }
    std::optional<ByteView> vector16() { return vector(2); }
    std::optional<ByteView> vector24() { return vector(3); }

    std::size_t remaining() const { return octets_.size() - at_; }
    bool done() const { return at_ >= octets_.size(); }
    ByteView rest() const { return octets_.slice(at_); }

private:
    std::optional<std::uint32_t> number(std::size_t count) {
        if (count > remaining())
            return std::nullopt;
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < count; ++i)
            value = (value << 8) | *octets_.at(at_ + i);
        at_ += count;
        return value;
    }

    ByteView octets_;
    std::size_t at_ = 0;
};

} // namespace zem
