#include "CaptureFileOutput.hpp"

#include "PcapLibrary.hpp"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace capture {

namespace {

void put16(zem::ByteBuffer& out, std::uint16_t value) {
    const auto at = out.size();
    out.resize(at + 2);
    std::memcpy(out.data() + at, &value, 2); // host order: the byte-order magic says which
}

void put32(zem::ByteBuffer& out, std::uint32_t value) {
    const auto at = out.size();
    out.resize(at + 4);
    std::memcpy(out.data() + at, &value, 4);
}

void pad(zem::ByteBuffer& out) {
    out.resize((out.size() + 3) / 4 * 4, 0);
}

} // namespace

CaptureFileOutput::CaptureFileOutput(const std::string& path, std::FILE* standardOutput,
                                     const CaptureFileFormat& format)
    : path_(path), pcapng_(format.pcapng), nanoseconds_(format.nanoseconds) {
    const int linkType = format.linkType;
    const int snapshotLength = format.snapshotLength;
    open(standardOutput);
    if (format.copiesRecords)
        return;
    if (pcapng_) {
        // Section Header Block: byte-order magic, version 1.0, section length unknown.
        zem::ByteBuffer section;
        put32(section, 0x1A2B3C4D);
        put16(section, 1);
        put16(section, 0);
        put32(section, 0xFFFFFFFF);
        put32(section, 0xFFFFFFFF);
        writePcapngBlock(0x0A0D0D0A, section);
        // Interface Description Block: times in microseconds, the default resolution, or
        // in nanoseconds (if_tsresol 9) when the input had them.
        zem::ByteBuffer interface;
        put16(interface, static_cast<std::uint16_t>(linkType));
        put16(interface, 0);
        put32(interface, static_cast<std::uint32_t>(snapshotLength));
        if (nanoseconds_) {
            put16(interface, 9); // if_tsresol
            put16(interface, 1);
            put32(interface, 9); // 10^-9, padded
            put32(interface, 0); // opt_endofopt
        }
        writePcapngBlock(1, interface);
        return;
    }
    dead_ = libpcap().open_dead_with_tstamp_precision(linkType, snapshotLength,
                                                      nanoseconds_ ? PCAP_TSTAMP_PRECISION_NANO
                                                                   : PCAP_TSTAMP_PRECISION_MICRO);
    if (!dead_) {
        discard();
        throw CaptureError("cannot write " + path + ": no capture of this link type");
    }
    // libpcap writes the file header and records into our stream, which it closes.
    dumper_ = libpcap().dump_fopen(dead_, file_);
    if (!dumper_) {
        std::string reason = libpcap().geterr(dead_);
        discard();
        throw CaptureError("cannot write " + path + ": " + reason);
    }
    size_ = 24; // the file header libpcap wrote
}

void CaptureFileOutput::open(std::FILE* standardOutput) {
    int fd = -1;
    struct stat status {};
    if (path_ == "-") {
        fd = ::dup(::fileno(standardOutput));
    } else if (::stat(path_.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) {
        fd = ::open(path_.c_str(), O_WRONLY | O_CLOEXEC); // a device or pipe: as it is
    } else {
        // A temporary name beside the target, renamed into place when closed whole.
        temporary_ = path_ + ".XXXXXX";
        fd = ::mkstemp(temporary_.data());
        if (fd >= 0) {
            // mkstemp makes the file readable by its owner only; a capture gets the
            // permissions any new file gets.
            const mode_t mask = ::umask(0);
            ::umask(mask);
            ::fchmod(fd, 0666 & ~mask);
        }
    }
    if (fd >= 0)
        file_ = ::fdopen(fd, "wb");
    if (!file_) {
        const int error = errno;
        if (fd >= 0)
            ::close(fd);
        if (!temporary_.empty())
            ::unlink(temporary_.c_str());
        throw CaptureError("cannot write " + path_ + ": " + std::strerror(error));
    }
}

void CaptureFileOutput::discard() {
    if (dumper_)
        libpcap().dump_close(dumper_); // closes file_ too
    else if (file_)
        std::fclose(file_);
    dumper_ = nullptr;
    file_ = nullptr;
    if (dead_)
        libpcap().close(dead_);
    dead_ = nullptr;
    if (!temporary_.empty())
        ::unlink(temporary_.c_str());
    temporary_.clear();
}

CaptureFileOutput::~CaptureFileOutput() {
    discard();
}

bool CaptureFileOutput::checked() {
    if (failure_.empty() && std::ferror(file_))
        failure_ = "cannot write " + path_ + ": " + std::strerror(errno ? errno : EIO);
    return failure_.empty();
}

void CaptureFileOutput::writePcapngBlock(std::uint32_t type, const zem::ByteBuffer& body) {
    zem::ByteBuffer block;
    const auto length = static_cast<std::uint32_t>(12 + (body.size() + 3) / 4 * 4);
    put32(block, type);
    put32(block, length);
    block.insert(block.end(), body.begin(), body.end());
    pad(block);
    put32(block, length);
    errno = 0;
    std::fwrite(block.data(), 1, block.size(), file_);
    size_ += block.size();
    checked();
}

void CaptureFileOutput::writeCopied(zem::ByteView octets, bool frame) {
    if (!failure_.empty())
        return;
    errno = 0;
    std::fwrite(octets.span().data(), 1, octets.size(), file_);
    size_ += octets.size();
    frames_ += frame ? 1 : 0;
    checked();
}

void CaptureFileOutput::writeSecrets(std::uint32_t type, zem::ByteView secrets) {
    if (!pcapng_ || !failure_.empty())
        return;
    zem::ByteBuffer body;
    body.reserve(8 + secrets.size()); // also spares GCC 12's false -Warray-bounds here
    put32(body, type);
    put32(body, static_cast<std::uint32_t>(secrets.size()));
    body.insert(body.end(), secrets.span().begin(), secrets.span().end());
    writePcapngBlock(10, body);
}

std::uint64_t CaptureFileOutput::recordSize(std::size_t captured) const {
    return pcapng_ ? 32 + (captured + 3) / 4 * 4 : 16 + captured;
}

void CaptureFileOutput::writeFrame(std::int64_t nanoseconds, std::uint32_t originalLength,
                                   zem::ByteView octets) {
    if (!failure_.empty())
        return;
    const std::uint64_t perSecond = nanoseconds_ ? 1'000'000'000 : 1'000'000;
    const auto units = static_cast<std::uint64_t>(nanoseconds_ ? nanoseconds : nanoseconds / 1000);
    const auto captured = static_cast<std::uint32_t>(octets.size());
    const auto original = std::max(originalLength, captured);
    ++frames_;
    if (pcapng_) {
        // Enhanced Packet Block on interface 0.
        zem::ByteBuffer body;
        put32(body, 0);
        put32(body, static_cast<std::uint32_t>(units >> 32));
        put32(body, static_cast<std::uint32_t>(units));
        put32(body, captured);
        put32(body, original);
        body.insert(body.end(), octets.span().begin(), octets.span().end());
        writePcapngBlock(6, body);
        return;
    }
    pcap_pkthdr header{};
    // libpcap takes the fraction in the precision the file was opened with.
    header.ts.tv_sec = static_cast<time_t>(units / perSecond);
    header.ts.tv_usec = static_cast<suseconds_t>(units % perSecond);
    header.caplen = captured;
    header.len = original;
    errno = 0;
    libpcap().dump(reinterpret_cast<u_char*>(dumper_), &header, octets.span().data());
    size_ += recordSize(captured);
    checked();
}

void CaptureFileOutput::close() {
    if (!file_)
        return;
    errno = 0;
    std::fflush(file_);
    checked();
    if (dumper_) {
        libpcap().dump_close(dumper_); // a flushed stream: its close has nothing left to fail
        dumper_ = nullptr;
    } else if (std::fclose(file_) != 0 && failure_.empty()) {
        failure_ = "cannot write " + path_ + ": " + std::strerror(errno);
    }
    file_ = nullptr;
    if (failure_.empty() && !temporary_.empty() &&
        std::rename(temporary_.c_str(), path_.c_str()) != 0)
        failure_ = "cannot write " + path_ + ": " + std::strerror(errno);
    if (failure_.empty())
        temporary_.clear(); // in place: nothing to remove
    discard();
    if (!failure_.empty())
        throw CaptureError(failure_);
}

} // namespace capture
