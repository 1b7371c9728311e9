// CaptureSource: where captured packets come from: a pcap or pcapng file, standard input,
// or a live interface filtered to the claimed ports. It hands out one packet at a time
// with its link type and capture time, for a CapturePipeline to take apart.
//
//   auto source = capture::CaptureSource::openFile("auth.pcap");
//   capture::CapturedPacket packet;
//   while (source.next(packet) == capture::CaptureSource::Next::packet)
//       pipeline.frame(source.linkType(), packet.time, packet.bytes);
#pragma once

#include "ByteView.hpp"
#include "CaptureBytes.hpp"
#include "ZEMPortsController.hpp"

#include <cstdio>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace capture {

class LastingOctets;

/// A capture that cannot be opened or read any further; the text says which and why.
class CaptureError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct DecryptionSecrets;

struct CapturedPacket {
    double time = 0;                  // seconds since 1970, to the microsecond
    std::int64_t nanoseconds = 0;     // since 1970, as exact as the capture holds it
    zem::ByteView bytes;              // valid until the next call of next()
    std::uint32_t originalLength = 0; // on the wire; more than bytes when cut by the snapshot
    /// The frame's whole record as the file holds it (header, octets, options), valid as
    /// long as `bytes`; empty for a live capture.
    std::span<const std::uint8_t> record;
};

class CaptureSource {
public:
    /// Opens a pcap or pcapng file, or standard input for "-". A regular file is read up
    /// to the size it has now, mapped when its frames are kept; a pipe is read as it fills.
    /// Throws CaptureError.
    static CaptureSource openFile(const std::string& name, Reading reading = Reading::kept);
    /// The kernel's buffer for a live capture unless the user asks for another: room for a
    /// burst of tens of thousands of datagrams while the reader catches up.
    static constexpr std::size_t defaultBufferBytes = std::size_t{32} << 20;

    /// Starts a live capture on `interface`, filtered by the BPF expression `filter` (none
    /// when empty), with `bufferBytes` of kernel buffer. `immediate` hands each packet over
    /// as it comes (for output that shows it at once); otherwise the kernel fills its
    /// blocks first, which costs far fewer wake-ups in a flood. Throws CaptureError, with
    /// the reason when rights are missing.
    static CaptureSource openLive(const std::string& interface, const std::string& filter,
                                  std::size_t bufferBytes = defaultBufferBytes,
                                  bool immediate = true);

    CaptureSource(CaptureSource&&) noexcept;
    CaptureSource& operator=(CaptureSource&&) noexcept;
    ~CaptureSource();

    enum class Next { packet, timeout, end, interrupted };
    /// Reads the next packet. `timeout` only comes from a live capture with nothing to
    /// read yet. Throws CaptureError for a damaged or cut-off file.
    Next next(CapturedPacket& packet);
    int linkType() const;
    int snapshotLength() const;
    /// Whether the file is pcapng (rather than pcap), as far as its first octets tell.
    bool isPcapng() const;
    /// Whether the file keeps times finer than microseconds (a copy keeps them too).
    bool finerThanMicroseconds() const;
    const std::string& name() const { return name_; }
    /// How much of a regular file has been read, from 0 to 1; nothing for a pipe or a
    /// live capture.
    std::optional<double> fractionRead() const;
    /// The octets of a mapped file, kept for as long as the answer is held, past the
    /// source's life (frames inside them stay valid, not only until the next call of
    /// next()); the pages read then stay in memory, for the holder to read again. Nothing
    /// for a file read once, a pipe or a live capture.
    std::shared_ptr<const LastingOctets> lastingShare();
    /// The keys a pcapng file carries in its Decryption Secrets Blocks, read so far: one
    /// list for the source's life, which grows as blocks are read.
    const std::vector<DecryptionSecrets>& decryptionSecrets() const;
    /// The blocks of a file that its frames depend on, read so far (see
    /// CaptureFileReader::structure); empty for a live capture.
    std::span<const zem::ByteBuffer> structure() const;
    /// Makes a waiting next() answer `interrupted` (a file's: `end`). Safe to call from a signal
    /// handler or another thread.
    void interrupt();
    bool isLive() const;
    /// Writes every packet read from now on as a pcap file into `stream`, which the source
    /// then owns and closes, so that a live capture can be kept. Throws CaptureError.
    void recordTo(std::FILE* stream);
    /// Packets the kernel dropped in a live capture, when it says.
    std::optional<std::uint64_t> dropped() const;

private:
    struct Handle;
    CaptureSource(std::unique_ptr<Handle> handle, std::string name);
    std::unique_ptr<Handle> handle_;
    std::string name_;
};

/// A BPF expression that passes the claimed ports on their transports, and every IP
/// fragment (fragments after the first carry no ports, but are needed to reassemble).
std::string claimedPortsFilter(const zem::ZEMPortsController& ports);

/// Why a BPF expression cannot be used, or nothing when it can.
std::optional<std::string> captureFilterError(const std::string& filter);

struct CaptureInterface {
    std::string name, description;
};
/// The interfaces that can be captured on. Throws CaptureError.
std::vector<CaptureInterface> captureInterfaces();

} // namespace capture
