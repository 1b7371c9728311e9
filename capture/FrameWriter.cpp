#include "FrameWriter.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <unistd.h>

namespace capture {

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

void FrameWriter::startFile(double time) {
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
}

void FrameWriter::addSecrets(std::span<const DecryptionSecrets> added) {
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
    window_.push_back(
        {frame, packet.time, packet.nanoseconds, packet.originalLength, packet.bytes.copy()});
}

void FrameWriter::writeOne(const Retained& frame) {
    if (rotation_.rotates()) {
        const bool due =
            !file_ ||
            (file_->frames() > 0 &&
             ((rotation_.maxBytes &&
               file_->size() + file_->recordSize(frame.octets.size()) > *rotation_.maxBytes) ||
              (rotation_.maxSeconds && frame.time - fileStart_ >= *rotation_.maxSeconds)));
        if (due) {
            try {
                startFile(frame.time);
            } catch (const CaptureError& error) {
                failure_ = error.what();
                return;
            }
        }
    }
    file_->writeFrame(frame.nanoseconds, frame.originalLength, zem::ByteView(frame.octets));
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
        startFile(static_cast<double>(std::time(nullptr)));
    if (file_)
        file_->close();
}

} // namespace capture
