#include "MessageStore.hpp"

#include "CaptureSource.hpp"
#include "TemporaryFile.hpp"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace capture {

MessageStore::MessageStore() : folder_(zem::TemporaryFile::folder()) {
    std::string path = folder_ + "/radius-analyzer-messages-XXXXXX";
    descriptor_ = mkstemp(path.data());
    if (descriptor_ < 0)
        throw CaptureError("cannot make a temporary file in " + folder_ + ": " +
                           std::strerror(errno) + " (set TMPDIR to another folder)");
    // Nobody else needs its name, and it goes away with the process however that ends.
    unlink(path.c_str());
}

MessageStore::~MessageStore() {
    if (descriptor_ >= 0)
        close(descriptor_);
}

std::uint64_t MessageStore::keep(zem::ByteView octets) {
    if (file_ && !octets.empty()) {
        // Compared as addresses: the views the reader handed out point into the map.
        const auto file = file_->octets();
        const auto begin = reinterpret_cast<std::uintptr_t>(file.data());
        const auto at = reinterpret_cast<std::uintptr_t>(octets.span().data());
        if (at >= begin && at - begin <= file.size() && octets.size() <= file.size() - (at - begin))
            return at - begin;
    }
    return append(octets);
}

std::uint64_t MessageStore::append(zem::ByteView octets) {
    const std::uint64_t at = copiedMark | (written_ + pending_.size());
    pending_.insert(pending_.end(), octets.begin(), octets.end());
    // Written in large pieces; readers see them once published.
    if (pending_.size() >= (1u << 20))
        writePending();
    return at;
}

void MessageStore::publish() {
    writePending();
    published_.store(written_, std::memory_order_release);
}

void MessageStore::writePending() {
    std::size_t done = 0;
    while (done < pending_.size()) {
        const ssize_t n = pwrite(descriptor_, pending_.data() + done, pending_.size() - done,
                                 static_cast<off_t>(written_ + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw CaptureError("cannot keep the messages in a temporary file in " + folder_ + ": " +
                               std::strerror(n < 0 ? errno : ENOSPC) +
                               " (set TMPDIR to another folder)");
        done += static_cast<std::size_t>(n);
    }
    written_ += pending_.size();
    pending_.clear();
}

std::optional<zem::ByteView> MessageStore::view(std::uint64_t offset, std::size_t size) const {
    if (copied(offset) || !file_ || !file_->intact())
        return std::nullopt;
    const auto file = file_->octets();
    if (offset > file.size() || size > file.size() - offset)
        return std::nullopt;
    return zem::ByteView(file.subspan(static_cast<std::size_t>(offset), size));
}

bool MessageStore::read(std::uint64_t offset, std::size_t size, zem::ByteBuffer& out) const {
    if (!copied(offset)) {
        const auto octets = view(offset, size);
        if (!octets)
            return false;
        out.assign(octets->begin(), octets->end());
        return true;
    }
    offset &= ~copiedMark;
    if (offset + size > published_.load(std::memory_order_acquire))
        return false;
    out.resize(size);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n =
            pread(descriptor_, out.data() + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace capture
