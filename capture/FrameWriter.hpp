// FrameWriter: writes chosen frames of a capture being read to a new capture file, in the
// input's format: pcap through libpcap's dump functions, or pcapng (a section header, one
// interface description, enhanced packet blocks), since libpcap writes only pcap.
//
// Which frames to write is known only after their messages were decoded and filtered,
// so the frames read lately are kept (a bounded window) until then.
//
// Evidence is written whole or not at all: every write is checked, the first failure
// stops the writing and is kept; a regular file (or a new one) is written under a
// temporary name beside it and renamed into place only when closed whole, so that a
// failed or killed run never leaves a torn file under the name asked for. "-" writes to
// the results stream (standard output).
//
//   FrameWriter writer("kept.pcap", output(), source.linkType(), source.snapshotLength(), false);
//   writer.retain(frameNumber, packet);          // every frame, as it is read
//   writer.write(origin.carrierFrames);          // a kept message's frames
//   writer.close();                              // throws CaptureError
#pragma once

#include "CaptureSource.hpp"

#include <cstdint>
#include <cstdio>
#include <deque>
#include <span>
#include <string>

// libpcap's handles, declared as it declares them.
struct pcap;
struct pcap_dumper;

namespace capture {

class FrameWriter {
public:
    /// Frames kept waiting for their messages' fate.
    static constexpr std::size_t windowFrames = 1u << 17;

    /// Creates `path` ("-": a copy of `standardOutput`'s descriptor); throws CaptureError.
    FrameWriter(const std::string& path, std::FILE* standardOutput, int linkType,
                int snapshotLength, bool pcapng);
    ~FrameWriter();
    FrameWriter(const FrameWriter&) = delete;
    FrameWriter& operator=(const FrameWriter&) = delete;

    void retain(std::uint64_t frame, const CapturedPacket& packet);
    /// Writes those of `frames` still retained and not yet written; nothing once a write
    /// failed.
    void write(std::span<const std::uint64_t> frames);
    /// Why a write failed; empty while none did.
    const std::string& failure() const { return failure_; }
    /// Flushes, closes and puts the file in place; throws CaptureError when it could not
    /// be written whole (the name asked for then keeps what it held before).
    void close();

private:
    struct Retained {
        std::uint64_t frame;
        double time;
        std::uint32_t originalLength;
        zem::ByteBuffer octets;
        bool written = false;
    };
    void open(std::FILE* standardOutput);
    void writeOne(const Retained& frame);
    void writePcapngBlock(std::uint32_t type, const zem::ByteBuffer& body);
    // Records the first failure from errno when the stream reports one.
    bool checked();
    void discard();

    std::string path_;
    std::string temporary_; // the name written under until closed; empty: `path_` itself
    bool pcapng_;
    std::FILE* file_ = nullptr;   // the file, for both forms
    struct pcap* dead_ = nullptr; // pcap records, through libpcap
    struct pcap_dumper* dumper_ = nullptr;
    std::string failure_;
    std::deque<Retained> window_; // by frame number
};

} // namespace capture
