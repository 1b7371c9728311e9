// The pcapng form: blocks of a type, a length, a body and the length again. A section
// header starts a section (and says its byte order); interface descriptions number the
// interfaces that packet blocks name.
#include "CaptureFileRecords.hpp"

#include <algorithm>
#include <string>
#include <vector>

namespace capture::records {
namespace {

constexpr std::uint32_t sectionHeaderBlock = 0x0a0d0d0a;
constexpr std::uint32_t interfaceDescriptionBlock = 1;
constexpr std::uint32_t obsoletePacketBlock = 2;
constexpr std::uint32_t simplePacketBlock = 3;
constexpr std::uint32_t enhancedPacketBlock = 6;
constexpr std::uint32_t nameResolutionBlock = 4;
constexpr std::uint32_t decryptionSecretsBlock = 10;
constexpr std::uint32_t customBlockToCopy = 0x0bad; // 0x40000bad asks not to be copied
constexpr std::uint32_t byteOrderMagic = 0x1a2b3c4d;
// Larger blocks are damage, not data: no frame is longer than the snapshot limit.
constexpr std::uint32_t largestBlock = 16u << 20;
constexpr std::uint16_t optionTimeResolution = 9;
constexpr std::uint16_t optionTimeOffset = 14;

struct Interface {
    int linkType = 0;
    int snapshot = 0; // as assumed
    std::uint64_t unitsPerSecond = 1'000'000;
    std::int64_t offsetSeconds = 0;
};

std::string number(std::uint64_t value) {
    return std::to_string(value);
}

class PcapngFileReader final : public CaptureFileReader {
public:
    explicit PcapngFileReader(std::unique_ptr<CaptureBytes> bytes)
        : CaptureFileReader(std::move(bytes), true) {
        // As libpcap, the first interface is read at once: it gives the file's link type.
        while (interfaces_.empty()) {
            const auto block = nextBlock();
            if (!block)
                throw CaptureError("the capture file has no Interface Description Blocks");
            if (isPacket(block->type))
                throw CaptureError("a packet arrived on interface 0, but there's no Interface "
                                   "Description Block for that interface");
            take(*block);
        }
    }

    bool next(CapturedPacket& packet) override {
        while (const auto block = nextBlock()) {
            if (isPacket(block->type)) {
                read(*block, packet);
                packet.record = block->whole;
                return true;
            }
            take(*block);
        }
        return false;
    }

private:
    struct Block {
        std::uint32_t type;
        std::span<const std::uint8_t> body;  // between the lengths
        std::span<const std::uint8_t> whole; // as the file holds it
    };

    static bool isPacket(std::uint32_t type) {
        return type == enhancedPacketBlock || type == simplePacketBlock ||
               type == obsoletePacketBlock;
    }

    // The next whole block, moved past; nothing at the end of the file.
    std::optional<Block> nextBlock() {
        auto head = bytes_->peek(12);
        if (head.empty())
            return std::nullopt;
        if (head.size() < 12)
            throw cutShort(12, head.size());
        const std::uint32_t type = FileOrder{}.u32(head, 0);
        if (type == sectionHeaderBlock) {
            const std::uint32_t magic = FileOrder{}.u32(head, 8);
            if (magic != byteOrderMagic && magic != __builtin_bswap32(byteOrderMagic))
                throw CaptureError("unknown file format");
            order_.swapped = magic != byteOrderMagic;
        }
        const std::uint32_t length = order_.u32(head, 4);
        if (length < 12 || length % 4 != 0)
            throw CaptureError("block in pcapng dump file has a length of " + number(length) +
                               (length < 12 ? " < 12" : " that is not a multiple of 4"));
        if (length > largestBlock)
            throw CaptureError("pcapng block size " + number(length) + " > maximum " +
                               number(largestBlock));
        const auto whole = bytes_->peek(length);
        if (whole.size() < length)
            throw cutShort(length, whole.size());
        bytes_->skip(length);
        // As for pcap records: the blocks ahead are asked for before they are read.
        __builtin_prefetch(whole.data() + length + 256);
        __builtin_prefetch(whole.data() + length + 512);
        return Block{order_.u32(whole, 0), whole.subspan(8, length - 12), whole};
    }

    static CaptureError cutShort(std::size_t wanted, std::size_t got) {
        return CaptureError("truncated pcapng dump file; tried to read " + number(wanted) +
                            " bytes, only got " + number(got));
    }

    void take(const Block& block) {
        switch (block.type) {
        case sectionHeaderBlock:
            section(block.body);
            break;
        case interfaceDescriptionBlock:
            interface(block.body);
            break;
        case decryptionSecretsBlock:
            secrets(block.body);
            break;
        default: // statistics, name resolution, custom and unknown blocks
            break;
        }
        if (block.type == sectionHeaderBlock || block.type == interfaceDescriptionBlock ||
            block.type == nameResolutionBlock || block.type == decryptionSecretsBlock ||
            block.type == customBlockToCopy)
            structure_.emplace_back(block.whole.begin(), block.whole.end());
    }

    void section(std::span<const std::uint8_t> body) {
        if (body.size() < 16)
            throw CaptureError("section header block in pcapng dump file is too short");
        const auto major = order_.u16(body, 4), minor = order_.u16(body, 6);
        if (major != 1)
            throw CaptureError("unsupported pcapng savefile version " + number(major) + "." +
                               number(minor));
        interfaces_.clear(); // each section numbers its interfaces afresh
    }

    void interface(std::span<const std::uint8_t> body) {
        if (body.size() < 8)
            throw CaptureError("interface description block in pcapng dump file is too short");
        Interface described;
        described.linkType = dataLinkType(order_.u16(body, 0));
        described.snapshot = assumedSnapshot(order_.u32(body, 4));
        for (std::size_t at = 8; at + 4 <= body.size();) {
            const auto code = order_.u16(body, at), length = order_.u16(body, at + 2);
            const auto value =
                body.subspan(at + 4, std::min<std::size_t>(length, body.size() - at - 4));
            if (code == 0)
                break;
            if (code == optionTimeResolution && value.size() >= 1)
                described.unitsPerSecond = unitsPerSecond(value[0]);
            else if (code == optionTimeOffset && value.size() >= 8)
                described.offsetSeconds = static_cast<std::int64_t>(order_.u64(value, 0));
            at += 4 + (std::size_t{length} + 3) / 4 * 4;
        }
        if (!seenInterface_) {
            seenInterface_ = true;
            linkType_ = described.linkType;
            snapshotLength_ = described.snapshot;
            finerThanMicroseconds_ = described.unitsPerSecond > 1'000'000;
        } else if (described.linkType != linkType_) {
            // Frames go on as one link layer; interfaces may differ in all else (libpcap
            // also refuses another snapshot length, which does no harm here).
            throw CaptureError("an interface has a type " + number(order_.u16(body, 0)) +
                               " different from the type of the first interface");
        }
        interfaces_.push_back(described);
    }

    static std::uint64_t unitsPerSecond(std::uint8_t resolution) {
        const unsigned exponent = resolution & 0x7f;
        if (resolution & 0x80) { // a power of two
            if (exponent > 63)
                throw CaptureError("if_tsresol 2^-" + number(exponent) + " is too small");
            return std::uint64_t{1} << exponent;
        }
        if (exponent > 19)
            throw CaptureError("if_tsresol 10^-" + number(exponent) + " is too small");
        std::uint64_t units = 1;
        for (unsigned i = 0; i < exponent; ++i)
            units *= 10;
        return units;
    }

    void secrets(std::span<const std::uint8_t> body) {
        if (body.size() < 8)
            return;
        const auto length = order_.u32(body, 4);
        if (length > body.size() - 8)
            return; // damaged: nothing to keep
        const auto data = body.subspan(8, length);
        secrets_.push_back({order_.u32(body, 0), zem::ByteBuffer(data.begin(), data.end())});
    }

    void read(const Block& block, CapturedPacket& packet) {
        const auto body = block.body;
        std::uint32_t interfaceId = 0, captured = 0, original = 0;
        std::uint64_t timestamp = 0;
        std::size_t dataAt = 0;
        bool timed = true;
        if (block.type == enhancedPacketBlock || block.type == obsoletePacketBlock) {
            if (body.size() < 20)
                throw CaptureError("packet block in pcapng dump file is too short");
            const bool enhanced = block.type == enhancedPacketBlock;
            interfaceId = enhanced ? order_.u32(body, 0) : order_.u16(body, 0);
            timestamp = (std::uint64_t{order_.u32(body, 4)} << 32) | order_.u32(body, 8);
            captured = order_.u32(body, 12);
            original = order_.u32(body, 16);
            dataAt = 20;
            if (captured > body.size() - dataAt)
                throw CaptureError("corrupt pcapng file: packet data larger than the block");
        } else { // simple: interface 0, no time, as much as the block holds
            if (body.size() < 4)
                throw CaptureError("simple packet block in pcapng dump file is too short");
            original = order_.u32(body, 0);
            dataAt = 4;
            timed = false;
        }
        if (interfaceId >= interfaces_.size())
            throw CaptureError("a packet arrived on interface " + number(interfaceId) +
                               ", but there's no Interface Description Block for that interface");
        const auto& on = interfaces_[interfaceId];
        if (!timed) {
            const auto room = static_cast<std::uint32_t>(body.size() - dataAt);
            captured = std::min({original, room, static_cast<std::uint32_t>(on.snapshot)});
        }
        if (captured > maximumSnapshot)
            throw CaptureError("invalid packet capture length " + number(captured) +
                               ", bigger than maximum of " + number(maximumSnapshot));
        captured = std::min(captured, static_cast<std::uint32_t>(on.snapshot));
        const auto units = on.unitsPerSecond;
        // Added unsigned: a damaged offset wraps rather than overflow.
        setTime(packet,
                static_cast<std::int64_t>(timestamp / units +
                                          static_cast<std::uint64_t>(on.offsetSeconds)),
                timestamp % units, units);
        packet.bytes = zem::ByteView(body.subspan(dataAt, captured));
        packet.originalLength = original;
    }

    FileOrder order_;
    std::vector<Interface> interfaces_;
    bool seenInterface_ = false;
};

} // namespace

std::unique_ptr<CaptureFileReader> openPcapng(std::unique_ptr<CaptureBytes> bytes) {
    return std::make_unique<PcapngFileReader>(std::move(bytes));
}

} // namespace capture::records
