// CaptureFileOutput: one capture file being written, in pcap (through libpcap's dump
// functions) or pcapng (a section header, one interface description, enhanced packet
// blocks; libpcap writes only pcap); or, when it copies, the input's own blocks and
// records as they were read.
//
// Evidence is written whole or not at all: every write is checked, the first failure
// stops the writing and is kept; a regular file (or a new one) is written under a
// temporary name beside it and renamed into place only when closed whole, so that a
// failed or killed run never leaves a torn file under the name asked for. "-" writes to
// a copy of the standard output's descriptor.
#pragma once

#include "CaptureSource.hpp"

#include <cstdint>
#include <cstdio>
#include <string>

// libpcap's handles, declared as it declares them.
struct pcap;
struct pcap_dumper;

namespace capture {

/// What every file of one recording shares.
struct CaptureFileFormat {
    int linkType = 0;
    int snapshotLength = 0;
    bool pcapng = false;
    bool nanoseconds = false; // times to the nanosecond, as the input kept them
    /// The input's blocks and records are copied as the file held them (one input file of
    /// the same form): nothing is written but what is handed over to copy.
    bool copiesRecords = false;
};

class CaptureFileOutput {
public:
    /// Creates `path`; throws CaptureError.
    CaptureFileOutput(const std::string& path, std::FILE* standardOutput,
                      const CaptureFileFormat& format);
    ~CaptureFileOutput();
    CaptureFileOutput(const CaptureFileOutput&) = delete;
    CaptureFileOutput& operator=(const CaptureFileOutput&) = delete;

    /// Appends one frame, its time in nanoseconds since 1970; nothing once a write failed.
    void writeFrame(std::int64_t nanoseconds, std::uint32_t originalLength, zem::ByteView octets);
    /// Appends a Decryption Secrets Block (pcapng only: a pcap file has no place for one,
    /// and its input never had one); nothing once a write failed.
    void writeSecrets(std::uint32_t type, zem::ByteView secrets);
    /// Appends a block or record of the input as it was read (a file that copies); a
    /// `frame` counts as one.
    void writeCopied(zem::ByteView octets, bool frame);
    /// The octets a frame of `captured` octets adds to the file.
    std::uint64_t recordSize(std::size_t captured) const;
    std::uint64_t size() const { return size_; }
    std::uint64_t frames() const { return frames_; }
    /// Why a write failed; empty while none did.
    const std::string& failure() const { return failure_; }
    /// Flushes, closes and puts the file in place; throws CaptureError when it could not
    /// be written whole (the name asked for then keeps what it held before).
    void close();

private:
    void open(std::FILE* standardOutput);
    void writePcapngBlock(std::uint32_t type, const zem::ByteBuffer& body);
    // Records the first failure from errno when the stream reports one.
    bool checked();
    void discard();

    std::string path_;
    std::string temporary_; // the name written under until closed; empty: `path_` itself
    bool pcapng_;
    bool nanoseconds_;
    std::FILE* file_ = nullptr;   // the file, for both forms
    struct pcap* dead_ = nullptr; // pcap records, through libpcap
    struct pcap_dumper* dumper_ = nullptr;
    std::string failure_;
    std::uint64_t size_ = 0, frames_ = 0;
};

} // namespace capture
