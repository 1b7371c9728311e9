#include "FrameWriter.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <unistd.h>

namespace capture {

namespace {

bool isSectionHeader(const zem::ByteBuffer& block) {
    return block.size() >= 4 && block[0] == 0x0a && block[1] == 0x0d && block[2] == 0x0d &&
           block[3] == 0x0a;
}

} // namespace

FrameWriter::FrameWriter(const std::string& path, std::FILE* standardOutput,
                         const CaptureFileFormat& format, const FileRotation& rotation)
    : path_(path), standardOutput_(standardOutput), format_(format), rotation_(rotation) {
    if (!rotation_.rotates())
        file_.emplace(path_, standardOutput_, format_);
}

std::string FrameWriter::rotatedName(const std::string& path, std::uint64_t sequence, double time) {
    // prefix.pcapng -> prefix_00001_20240131120000.pcapng; the extension stays last.
    const auto slash = path.rfind('/');
    const auto dot = path.rfind('.');
    const bool hasExtension =
        dot != std::string::npos && dot != 0 && (slash == std::string::npos || dot > slash + 1);
    const std::string stem = hasExtension ? path.substr(0, dot) : path;
    const std::string extension = hasExtension ? path.substr(dot) : "";
    const auto seconds = static_cast<std::time_t>(time);
    std::tm local{};
    localtime_r(&seconds, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d%H%M%S", &local);
    char number[24];
    std::snprintf(number, sizeof number, "_%05llu_", static_cast<unsigned long long>(sequence));
    return stem + number + stamp + extension;
}

void FrameWriter::startFile(double time, std::size_t structureBefore) {
    if (file_) {
        const auto name = rotatedName(path_, sequence_, fileStart_);
        file_->close(); // throws: the run ends with what was written before
        file_.reset();
        finished_.push_back(name);
    }
    if (rotation_.keptFiles)
        while (finished_.size() >= *rotation_.keptFiles) {
            ::unlink(finished_.front().c_str());
            finished_.pop_front();
        }
    fileStart_ = time;
    file_.emplace(rotatedName(path_, ++sequence_, time), standardOutput_, format_);
    for (const auto& secrets : secrets_)
        file_->writeSecrets(secrets.type, zem::ByteView(secrets.data));
    if (format_.copiesRecords) {
        // A pcap file has one header; a pcapng section starts at its section header.
        std::size_t start = 0;
        if (format_.pcapng)
            for (std::size_t i = std::min(structureBefore, structure_.size()); i-- > 0;)
                if (isSectionHeader(structure_[i])) {
                    start = i;
                    break;
                }
        structureWritten_ = start;
        writeStructure(format_.pcapng ? structureBefore : 1);
        structureWritten_ = std::max(structureWritten_, structureBefore);
    }
}

void FrameWriter::writeStructure(std::size_t upTo) {
    for (upTo = std::min(upTo, structure_.size()); structureWritten_ < upTo; ++structureWritten_)
        if (format_.pcapng || structureWritten_ == 0)
            file_->writeCopied(zem::ByteView(structure_[structureWritten_]), false);
}

void FrameWriter::followStructure(std::span<const zem::ByteBuffer> readSoFar) {
    if (format_.copiesRecords && readSoFar.size() > structure_.size()) {
        const auto added = readSoFar.subspan(structure_.size());
        structure_.insert(structure_.end(), added.begin(), added.end());
    }
}

void FrameWriter::addSecrets(std::span<const DecryptionSecrets> added) {
    if (format_.copiesRecords)
        return; // their blocks are copied with the rest of the file's structure
    for (const auto& secrets : added) {
        secrets_.push_back(secrets);
        if (file_)
            file_->writeSecrets(secrets.type, zem::ByteView(secrets.data));
    }
}

const std::string& FrameWriter::failure() const {
    if (!failure_.empty() || !file_)
        return failure_;
    return file_->failure();
}

void FrameWriter::retain(std::uint64_t frame, const CapturedPacket& packet) {
    if (window_.size() >= windowFrames)
        window_.pop_front();
    const zem::ByteView kept = format_.copiesRecords ? zem::ByteView(packet.record) : packet.bytes;
    window_.push_back({frame, packet.time, packet.nanoseconds, packet.originalLength, kept.copy(),
                       structure_.size()});
}

void FrameWriter::writeOne(const Retained& frame) {
    if (rotation_.rotates()) {
        // What the frame adds to the file, asked only of a file that is open.
        const auto added = [&] {
            return format_.copiesRecords ? frame.octets.size()
                                         : file_->recordSize(frame.octets.size());
        };
        const bool due =
            !file_ ||
            (file_->frames() > 0 &&
             ((rotation_.maxBytes && file_->size() + added() > *rotation_.maxBytes) ||
              (rotation_.maxSeconds && frame.time - fileStart_ >= *rotation_.maxSeconds)));
        if (due) {
            try {
                startFile(frame.time, frame.structureBefore);
            } catch (const CaptureError& error) {
                failure_ = error.what();
                return;
            }
        }
    }
    if (format_.copiesRecords) {
        writeStructure(frame.structureBefore);
        file_->writeCopied(zem::ByteView(frame.octets), true);
    } else {
        file_->writeFrame(frame.nanoseconds, frame.originalLength, zem::ByteView(frame.octets));
    }
}

void FrameWriter::write(std::span<const std::uint64_t> carriers) {
    if (!failure().empty())
        return;
    // Reordered TCP segments carry a message out of capture order: written in order.
    std::vector<std::uint64_t> frames(carriers.begin(), carriers.end());
    std::sort(frames.begin(), frames.end());
    for (const auto frame : frames) {
        auto at = std::lower_bound(window_.begin(), window_.end(), frame,
                                   [](const Retained& r, std::uint64_t f) { return r.frame < f; });
        if (at == window_.end() || at->frame != frame || at->written)
            continue;
        writeOne(*at);
        at->written = true;
        if (!failure().empty())
            return;
    }
    // Frames before the last one written can no longer be wanted in order; those written
    // are let go of.
    while (!window_.empty() && window_.front().written)
        window_.pop_front();
}

void FrameWriter::close() {
    if (!failure_.empty())
        throw CaptureError(failure_);
    // A rotation that saw no frame still leaves one file, as a plain -w does.
    if (!file_ && rotation_.rotates())
        startFile(static_cast<double>(std::time(nullptr)), structure_.size());
    if (file_) {
        if (format_.copiesRecords)
            writeStructure(structure_.size()); // blocks after the last frame written
        file_->close();
    }
}

} // namespace capture
