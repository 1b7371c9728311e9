// FrameWriter: writes chosen frames of a capture being read to a new capture file, in the
// input's format: pcap through libpcap's dump functions, or pcapng (a section header, one
// interface description, enhanced packet blocks), since libpcap writes only pcap.
//
// Which frames to write is known only after their messages were decoded and filtered,
// so the frames read lately are kept (a bounded window) until then.
//
//   FrameWriter writer("kept.pcap", source.linkType(), source.snapshotLength(), false);
//   writer.retain(frameNumber, packet);          // every frame, as it is read
//   writer.write(origin.carrierFrames);          // a kept message's frames
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

    /// Creates `path`; throws CaptureError.
    FrameWriter(const std::string& path, int linkType, int snapshotLength, bool pcapng);
    ~FrameWriter();
    FrameWriter(const FrameWriter&) = delete;
    FrameWriter& operator=(const FrameWriter&) = delete;

    void retain(std::uint64_t frame, const CapturedPacket& packet);
    /// Writes those of `frames` still retained and not yet written.
    void write(std::span<const std::uint64_t> frames);
    /// Flushes and closes; throws CaptureError when the file could not be written whole.
    void close();

private:
    struct Retained {
        std::uint64_t frame;
        double time;
        std::uint32_t originalLength;
        zem::ByteBuffer octets;
        bool written = false;
    };
    void writeOne(const Retained& frame);
    void writePcapngBlock(std::uint32_t type, const zem::ByteBuffer& body);

    std::string path_;
    bool pcapng_;
    std::FILE* file_ = nullptr;   // pcapng
    struct pcap* dead_ = nullptr; // pcap, through libpcap
    struct pcap_dumper* dumper_ = nullptr;
    std::deque<Retained> window_; // by frame number
};

} // namespace capture
