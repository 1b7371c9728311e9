// The pcap form: a 24-octet file header, then records of a 16-octet header and the frame.
#include "CaptureFileRecords.hpp"

#include <algorithm>
#include <string>

namespace capture::records {
namespace {

constexpr std::size_t fileHeaderOctets = 24;
constexpr std::size_t recordHeaderOctets = 16;

class PcapFileReader final : public CaptureFileReader {
public:
    explicit PcapFileReader(std::unique_ptr<CaptureBytes> bytes)
        : CaptureFileReader(std::move(bytes), false) {
        const auto header = bytes_->peek(fileHeaderOctets);
        if (header.size() < fileHeaderOctets)
            throw CaptureError("truncated dump file; tried to read " +
                               std::to_string(fileHeaderOctets) + " file header bytes, only got " +
                               std::to_string(header.size() - 4));
        const std::uint32_t magic = FileOrder{}.u32(header, 0);
        order_.swapped = magic == 0xd4c3b2a1 || magic == 0x4d3cb2a1;
        nanoseconds_ = magic == 0xa1b23c4d || magic == 0x4d3cb2a1;
        finerThanMicroseconds_ = nanoseconds_;
        const auto major = order_.u16(header, 4), minor = order_.u16(header, 6);
        if (major < 2)
            throw CaptureError("archaic pcap savefile format");
        if (major != 2)
            throw CaptureError("unsupported pcap savefile version " + std::to_string(major) + "." +
                               std::to_string(minor));
        snapshotLength_ = assumedSnapshot(order_.u32(header, 16));
        linkType_ = dataLinkType(order_.u32(header, 20));
        structure_.emplace_back(header.begin(), header.end());
        bytes_->skip(fileHeaderOctets);
    }

    bool next(CapturedPacket& packet) override {
        const auto header = bytes_->peek(recordHeaderOctets);
        if (header.empty())
            return false;
        if (header.size() < recordHeaderOctets)
            throw CaptureError("truncated dump file; tried to read " +
                               std::to_string(recordHeaderOctets) + " header bytes, only got " +
                               std::to_string(header.size()));
        const std::uint32_t seconds = order_.u32(header, 0), fraction = order_.u32(header, 4);
        const std::uint32_t captured = order_.u32(header, 8), original = order_.u32(header, 12);
        const auto snapshot = static_cast<std::uint32_t>(snapshotLength_);
        if (captured > maximumSnapshot)
            throw CaptureError(
                "invalid packet capture length " + std::to_string(captured) + ", bigger than " +
                (captured > snapshot ? "snaplen of " + std::to_string(snapshot)
                                     : "maximum of " + std::to_string(maximumSnapshot)));
        // A frame longer than the file's snapshot length (a writer that set it wrong) is
        // cut to it, the rest passed over.
        const std::uint32_t kept = std::min(captured, snapshot);
        auto record = bytes_->peek(recordHeaderOctets + kept);
        if (record.size() == recordHeaderOctets + kept && kept < captured)
            record = bytes_->peek(recordHeaderOctets + captured);
        if (record.size() < recordHeaderOctets + captured)
            throw CaptureError(
                "truncated dump file; tried to read " +
                std::to_string(record.size() < recordHeaderOctets + kept ? kept : captured) +
                " captured bytes, only got " + std::to_string(record.size() - recordHeaderOctets));
        setTime(packet, seconds, fraction, nanoseconds_ ? 1'000'000'000 : 1'000'000);
        packet.bytes = zem::ByteView(record.subspan(recordHeaderOctets, kept));
        packet.originalLength = original;
        packet.record = record;
        bytes_->skip(record.size());
        // The next records' headers and frames come from memory the caches have not seen
        // (a new page stops the processor's own prefetching): asked for ahead of time.
        __builtin_prefetch(record.data() + record.size() + 256);
        __builtin_prefetch(record.data() + record.size() + 512);
        return true;
    }

private:
    FileOrder order_;
    bool nanoseconds_ = false;
};

} // namespace

std::unique_ptr<CaptureFileReader> openPcap(std::unique_ptr<CaptureBytes> bytes) {
    return std::make_unique<PcapFileReader>(std::move(bytes));
}

} // namespace capture::records
