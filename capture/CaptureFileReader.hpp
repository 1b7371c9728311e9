// CaptureFileReader: reads the frames of a pcap file (microsecond or nanosecond times,
// either byte order) or a pcapng file (any number of sections in either byte order,
// interfaces with their own time resolution and offset; enhanced, simple and obsolete
// packet blocks; other blocks skipped, decryption secrets kept) from CaptureBytes. A
// frame's octets are a view into those bytes: nothing is copied on the way.
//
// It answers as libpcap does (the same link types, times, lengths and the same words for
// a damaged file), so that reading a file through it changes no output.
//
//   auto reader = capture::CaptureFileReader::open(capture::CaptureBytes::open(fd));
//   capture::CapturedPacket packet;
//   while (reader->next(packet))
//       pipeline.frame(reader->linkType(), packet.time, packet.bytes);
#pragma once

#include "ByteView.hpp"
#include "CaptureBytes.hpp"
#include "CaptureSource.hpp"

#include <cstdint>
#include <memory>
#include <vector>

namespace capture {

/// A pcapng Decryption Secrets Block: the keys of an encrypted protocol, kept as written.
struct DecryptionSecrets {
    static constexpr std::uint32_t tlsKeyLog = 0x544c534b; // "TLSK"
    std::uint32_t type = 0;
    zem::ByteBuffer data;
};

class CaptureFileReader {
public:
    /// Reads the file's header (for pcapng, up to its first interface). Throws CaptureError
    /// with libpcap's words for a file that is no capture.
    static std::unique_ptr<CaptureFileReader> open(std::unique_ptr<CaptureBytes> bytes);
    virtual ~CaptureFileReader() = default;

    /// The next frame, valid until the next call; false at the end. Throws CaptureError
    /// for a damaged or cut-off record, after every frame before it was read.
    virtual bool next(CapturedPacket& packet) = 0;

    /// The data link type (a DLT_ value) of the frames, as libpcap answers it.
    int linkType() const { return linkType_; }
    int snapshotLength() const { return snapshotLength_; }
    bool isPcapng() const { return pcapng_; }
    /// Whether times are kept finer than microseconds (a nanosecond pcap, or a pcapng
    /// whose first interface counts finer), so that a copy keeps them too.
    bool finerThanMicroseconds() const { return finerThanMicroseconds_; }
    const std::vector<DecryptionSecrets>& decryptionSecrets() const { return secrets_; }
    /// The blocks that frames depend on, as the file holds them, in the order read: pcap's
    /// file header; pcapng's section headers, interface descriptions, name resolution,
    /// decryption secrets and custom blocks that may be copied. A copy of chosen frames
    /// begins each section with them (statistics would count frames left out: not kept).
    const std::vector<zem::ByteBuffer>& structure() const { return structure_; }
    std::uint64_t position() const { return bytes_->position(); }
    std::optional<std::uint64_t> size() const { return bytes_->size(); }
    std::shared_ptr<const LastingOctets> lastingShare() { return bytes_->lastingShare(); }

protected:
    CaptureFileReader(std::unique_ptr<CaptureBytes> bytes, bool pcapng)
        : bytes_(std::move(bytes)), pcapng_(pcapng) {}

    std::unique_ptr<CaptureBytes> bytes_;
    int linkType_ = 0;
    int snapshotLength_ = 0;
    bool pcapng_;
    bool finerThanMicroseconds_ = false;
    std::vector<DecryptionSecrets> secrets_;
    std::vector<zem::ByteBuffer> structure_;
};

} // namespace capture
