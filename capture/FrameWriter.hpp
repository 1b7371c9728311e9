// FrameWriter: writes chosen frames of a capture being read to a new capture file (or a
// ring of them), in the input's format.
//
// Which frames to write is known only after their messages were decoded and filtered,
// so the frames read lately are kept (a bounded window) until then.
//
// When the format copies records, each chosen frame's record is written as the input held
// it (its options, interface and time resolution with it), after the blocks it depends on
// (see CaptureFileReader::structure); otherwise frames are written anew in the format.
//
// With a rotation, the frames go to a row of files named as tshark names them
// (PREFIX_00001_20240131120000.pcapng, the time being the first frame's, local), each
// closed whole and renamed into place before the next one starts; a ring keeps the
// newest N. A file switch happens between two frames, so each frame is in exactly one
// file.
//
//   FrameWriter writer("kept.pcap", output(), {source.linkType(), source.snapshotLength(), false});
//   writer.followStructure(source.structure());  // the file's blocks read before it
//   writer.retain(frameNumber, packet);          // every frame, as it is read
//   writer.write(origin.carrierFrames);          // a kept message's frames
//   writer.close();                              // throws CaptureError
#pragma once

#include "CaptureFileOutput.hpp"
#include "CaptureFileReader.hpp"

#include <cstdint>
#include <cstdio>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace capture {

/// When to start the next file (-b), and how many to keep.
struct FileRotation {
    std::optional<std::uint64_t> maxBytes; // filesize: once a file would grow past it
    std::optional<double> maxSeconds;      // duration: of capture time per file
    std::optional<std::size_t> keptFiles;  // files: a ring of the newest N
    bool rotates() const { return maxBytes || maxSeconds; }
};

class FrameWriter {
public:
    /// Frames kept waiting for their messages' fate.
    static constexpr std::size_t windowFrames = 1u << 17;

    /// Creates `path` ("-": a copy of `standardOutput`'s descriptor), or with a rotation
    /// the first of its files when the first frame comes; throws CaptureError.
    FrameWriter(const std::string& path, std::FILE* standardOutput, const CaptureFileFormat& format,
                const FileRotation& rotation = {});

    /// The blocks of the (one) input read so far, which the frames retained from now on
    /// depend on (a file that copies): written before the first of those frames, and again
    /// at the head of every later file of a rotation (those of the frame's section).
    void followStructure(std::span<const zem::ByteBuffer> readSoFar);
    void retain(std::uint64_t frame, const CapturedPacket& packet);
    /// Keys the input carried (a pcapng Decryption Secrets Block): written at once, ahead
    /// of the frames still retained, and again at the head of every later file of a
    /// rotation, so that each file's encrypted frames can be read with it alone.
    void addSecrets(std::span<const DecryptionSecrets> added);
    /// Writes those of `frames` still retained and not yet written; nothing once a write
    /// failed.
    void write(std::span<const std::uint64_t> frames);
    /// Why a write failed; empty while none did.
    const std::string& failure() const;
    /// Flushes, closes and puts the (last) file in place; throws CaptureError when it
    /// could not be written whole.
    void close();

    /// The name of the `sequence`th file of a rotation whose first frame came at `time`.
    static std::string rotatedName(const std::string& path, std::uint64_t sequence, double time);

private:
    struct Retained {
        std::uint64_t frame;
        double time;
        std::int64_t nanoseconds;
        std::uint32_t originalLength;
        zem::ByteBuffer octets; // or, when copying, the whole record
        std::size_t structureBefore = 0;
        bool written = false;
    };
    void writeOne(const Retained& frame);
    // Closes the current file of a rotation and starts the next, named for `time`; when
    // copying, it begins with the blocks of the section that holds the first
    // `structureBefore` blocks.
    void startFile(double time, std::size_t structureBefore);
    // Copies the blocks read before a frame that the file does not have yet.
    void writeStructure(std::size_t upTo);

    std::string path_;
    std::FILE* standardOutput_;
    CaptureFileFormat format_;
    FileRotation rotation_;
    std::optional<CaptureFileOutput> file_;
    std::string failure_; // of an earlier file of a rotation
    double fileStart_ = 0;
    std::uint64_t sequence_ = 0;
    std::deque<std::string> finished_; // a ring's closed files, oldest first
    std::deque<Retained> window_;      // by frame number
    std::vector<DecryptionSecrets> secrets_;
    std::vector<zem::ByteBuffer> structure_; // when copying
    std::size_t structureWritten_ = 0;       // of them, into the current file
};

} // namespace capture
