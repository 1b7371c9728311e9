// Capture files built octet by octet in every form the reader takes: pcap in both byte
// orders and resolutions, pcapng with two sections, interfaces of their own resolution and
// offset, options, secrets and every packet block kind.
#pragma once

#include <cstdint>
#include <string>

namespace generated_captures {

struct NamedFile {
    std::string name, octets;
};

// Builds capture files in every form, numbers in the chosen byte order.
class FileBuilder {
public:
    explicit FileBuilder(bool bigEndian) : bigEndian_(bigEndian) {}
    FileBuilder& u8(std::uint8_t v) { return bytes(std::string(1, static_cast<char>(v))); }
    FileBuilder& u16(std::uint16_t v) { return number(v, 2); }
    FileBuilder& u32(std::uint32_t v) { return number(v, 4); }
    FileBuilder& u64(std::uint64_t v) { return number(v, 8); }
    FileBuilder& bytes(const std::string& octets) {
        out_ += octets;
        return *this;
    }
    FileBuilder& pad() {
        while (out_.size() % 4)
            out_ += '\0';
        return *this;
    }
    std::string take() { return std::move(out_); }

    // A pcapng block: its type and lengths around a body built by `fill`.
    template <typename Fill> FileBuilder& block(std::uint32_t type, Fill fill) {
        FileBuilder body(bigEndian_);
        fill(body);
        body.pad();
        const auto length = static_cast<std::uint32_t>(body.out_.size() + 12);
        return u32(type).u32(length).bytes(body.out_).u32(length);
    }

private:
    FileBuilder& number(std::uint64_t value, int size) {
        for (int i = 0; i < size; ++i) {
            const int shift = bigEndian_ ? (size - 1 - i) * 8 : i * 8;
            out_ += static_cast<char>((value >> shift) & 0xff);
        }
        return *this;
    }
    bool bigEndian_;
    std::string out_;
};

inline std::string frameOctets(std::size_t size, char seed) {
    std::string octets(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        octets[i] = static_cast<char>(seed + static_cast<char>(i * 7));
    return octets;
}

inline std::string pcapFile(bool bigEndian, bool nanoseconds) {
    FileBuilder file(bigEndian);
    file.u32(nanoseconds ? 0xa1b23c4d : 0xa1b2c3d4).u16(2).u16(4).u32(0).u32(0).u32(96).u32(101);
    const std::uint32_t sizes[] = {60, 1, 0, 95, 96, 200}; // 200: cut to the snapshot
    std::uint32_t fraction = nanoseconds ? 999'999'999 : 999'999;
    for (const auto size : sizes) {
        file.u32(1'700'000'000 + size).u32(fraction).u32(size).u32(size + 3);
        file.bytes(frameOctets(size, static_cast<char>(size)));
        fraction = fraction / 3 + 1;
    }
    return file.take();
}

inline std::string pcapngFile(bool secondSectionBigEndian, std::uint32_t secondSnapshot = 0) {
    FileBuilder file(false);
    const auto section = [](FileBuilder& b) { b.u32(0x1a2b3c4d).u16(1).u16(0).u64(~0ull); };
    file.block(0x0a0d0d0a, section);
    // Interface 0: nanoseconds, an hour's offset; interface 1: microseconds.
    file.block(1, [](FileBuilder& b) {
        b.u16(1).u16(0).u32(0).u16(9).u16(1).u8(9).pad().u16(14).u16(8).u64(3600).u16(0).u16(0);
    });
    file.block(1, [&](FileBuilder& b) { b.u16(1).u16(0).u32(secondSnapshot); });
    file.block(0x0bad, [](FileBuilder& b) { b.bytes("passed over"); });
    file.block(10, [](FileBuilder& b) { b.u32(0x544c534b).u32(14).bytes("CLIENT_RANDOM "); });
    const auto enhanced = [](std::uint32_t interface, std::uint64_t time, std::uint32_t size) {
        return [=](FileBuilder& b) {
            b.u32(interface).u32(static_cast<std::uint32_t>(time >> 32));
            b.u32(static_cast<std::uint32_t>(time)).u32(size).u32(size + 1);
            b.bytes(frameOctets(size, static_cast<char>(size))).pad();
            b.u16(1).u16(3).bytes("hi!").pad().u16(0).u16(0); // a comment option
        };
    };
    file.block(6, enhanced(0, 1'700'000'000'123'456'789ull, 61));
    file.block(6, enhanced(1, 1'700'000'001'654'321ull, 50));
    file.block(3, [](FileBuilder& b) { b.u32(70).bytes(frameOctets(70, 'x')).pad(); });
    file.block(2, [](FileBuilder& b) {
        b.u16(1).u16(0).u32(0).u32(1'000'000).u32(7).u32(7).bytes(frameOctets(7, 'o')).pad();
    });
    std::string whole = file.take();
    // A second section, perhaps in the other byte order, numbering its interfaces afresh
    // with a binary resolution (2^-20 s).
    FileBuilder second(secondSectionBigEndian);
    second.block(0x0a0d0d0a, section);
    second.block(1, [](FileBuilder& b) { b.u16(1).u16(0).u32(0).u16(9).u16(1).u8(0x94).pad(); });
    second.block(6, enhanced(0, (std::uint64_t{1'700'000'002} << 20) + 524'288, 33));
    return whole + second.take();
}

} // namespace generated_captures
