#include "CaptureBytes.hpp"

#include "CaptureSource.hpp"
#include "MappedFileFaults.hpp"
#include "MappedPages.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace capture {
namespace {

// A whole buffer in memory, either the map of a file or a caller's octets.
class ContiguousBytes : public CaptureBytes {
public:
    explicit ContiguousBytes(std::span<const std::uint8_t> octets) : octets_(octets) {}
    std::span<const std::uint8_t> peek(std::size_t count) override {
        return octets_.subspan(at_, std::min(count, octets_.size() - at_));
    }
    void skip(std::size_t count) override { at_ += std::min(count, octets_.size() - at_); }
    std::uint64_t position() const override { return at_; }
    std::optional<std::uint64_t> size() const override { return octets_.size(); }

protected:
    std::span<const std::uint8_t> octets_;
    std::size_t at_ = 0;
};

// The map itself, which may outlive the reading when a window keeps views into it.
class FileMap final : public LastingOctets {
public:
    FileMap(void* map, std::size_t length)
        : map_(map), octets_(static_cast<const std::uint8_t*>(map), length),
          faults_(mapped_file_faults::watch(octets_.data(), length)) {}
    ~FileMap() override {
        if (faults_)
            mapped_file_faults::unwatch(*faults_);
        ::munmap(map_, octets_.size());
    }
    FileMap(const FileMap&) = delete;
    FileMap& operator=(const FileMap&) = delete;

    std::span<const std::uint8_t> octets() const override { return octets_; }
    bool intact() const override { return !faults_ || !faults_->faulted(); }
    const std::optional<mapped_file_faults::Watch>& faults() const { return faults_; }

private:
    void* map_;
    std::span<const std::uint8_t> octets_;
    std::optional<mapped_file_faults::Watch> faults_;
};

class MappedBytes final : public ContiguousBytes {
public:
    explicit MappedBytes(std::shared_ptr<const FileMap> map)
        : ContiguousBytes(map->octets()), map_(std::move(map)),
          pages_(std::in_place, octets_.data(), octets_.size()) {}
    ~MappedBytes() override {
        pages_.reset(); // its thread touches the map no more
    }

    // Another program may truncate the file while it is read; the pages past its new end
    // then read as zeros (see mapped_file_faults), which must not pass for octets of it.
    std::span<const std::uint8_t> peek(std::size_t count) override {
        if (const auto& faults = map_->faults(); faults && faults->faulted()) [[unlikely]]
            throw CaptureError("the file was cut short while it was read (to at most " +
                               std::to_string(faults->faultedAt()) + " octets)");
        return ContiguousBytes::peek(count);
    }
    MappedBytes(const MappedBytes&) = delete;
    MappedBytes& operator=(const MappedBytes&) = delete;

    void skip(std::size_t count) override {
        ContiguousBytes::skip(count);
        pages_->readerAt(at_);
    }
    std::shared_ptr<const LastingOctets> lastingShare() override {
        pages_->keepRead();
        return map_;
    }

private:
    std::shared_ptr<const FileMap> map_;
    std::optional<MappedPages> pages_;
};

// A pipe is read with read(2), which answers what has arrived, so that a capture written
// slowly into a pipe is decoded as it comes rather than a block at a time. A regular
// file read this way is read up to the size it had when opened.
class StreamBytes final : public CaptureBytes {
public:
    explicit StreamBytes(int descriptor, std::optional<std::uint64_t> fileSize = std::nullopt)
        : descriptor_(descriptor), fileSize_(fileSize) {}
    ~StreamBytes() override {
        if (descriptor_ != STDIN_FILENO)
            ::close(descriptor_);
    }
    StreamBytes(const StreamBytes&) = delete;
    StreamBytes& operator=(const StreamBytes&) = delete;

    std::span<const std::uint8_t> peek(std::size_t count) override {
        while (end_ - begin_ < count && !ended_)
            fill(count);
        return {buffer_.get() + begin_, std::min(count, end_ - begin_)};
    }
    void skip(std::size_t count) override {
        count = std::min(count, end_ - begin_);
        begin_ += count;
        position_ += count;
    }
    std::uint64_t position() const override { return position_; }
    std::optional<std::uint64_t> size() const override { return fileSize_; }

private:
    // 128 KB a read, as cat reads. With a megabyte a read the reading thread, which sets a
    // run's pace, waited on the workers two and a half times as long, for the same
    // processor time: a million summary lines took 160 ms instead of 120.
    static constexpr std::size_t blockOctets = std::size_t{128} << 10;

    void fill(std::size_t count) {
        // What was moved past goes; the buffer grows only for a run longer than a block.
        if (begin_ > 0) {
            std::memmove(buffer_.get(), buffer_.get() + begin_, end_ - begin_);
            end_ -= begin_;
            begin_ = 0;
        }
        // A file smaller than a block gets room for its octets only, and the room is not
        // zero-filled first: zeroing it cost a page fault per 4 KB at every start.
        const std::size_t block =
            fileSize_ ? static_cast<std::size_t>(std::min<std::uint64_t>(*fileSize_, blockOctets))
                      : blockOctets;
        if (const std::size_t wanted = std::max(count, block); wanted > capacity_) {
            auto larger = std::make_unique_for_overwrite<std::uint8_t[]>(wanted);
            if (end_ > 0)
                std::memcpy(larger.get(), buffer_.get(), end_);
            buffer_ = std::move(larger);
            capacity_ = wanted;
        }
        std::size_t room = capacity_ - end_;
        if (fileSize_) {
            const std::uint64_t read = position_ + (end_ - begin_);
            room = static_cast<std::size_t>(std::min<std::uint64_t>(room, *fileSize_ - read));
            if (room == 0) {
                ended_ = true;
                return;
            }
        }
        const ssize_t got = ::read(descriptor_, buffer_.get() + end_, room);
        if (got > 0) {
            end_ += static_cast<std::size_t>(got);
        } else if (got == 0) {
            ended_ = true;
        } else if (errno != EINTR) {
            throw CaptureError(std::string("error reading dump file: ") + std::strerror(errno));
        }
    }

    int descriptor_;
    std::optional<std::uint64_t> fileSize_; // a regular file's, when it was opened
    std::unique_ptr<std::uint8_t[]> buffer_;
    std::size_t capacity_ = 0, begin_ = 0, end_ = 0;
    std::uint64_t position_ = 0;
    bool ended_ = false;
};

} // namespace

std::unique_ptr<CaptureBytes> CaptureBytes::open(int descriptor, Reading reading) {
    struct stat info {};
    if (::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size == 0)
        return std::make_unique<StreamBytes>(descriptor);
    const auto length = static_cast<std::size_t>(info.st_size);
    if (reading == Reading::once) {
        // Sequential advice doubles the kernel's read-ahead for a file not yet cached.
        ::posix_fadvise(descriptor, 0, 0, POSIX_FADV_SEQUENTIAL);
        return std::make_unique<StreamBytes>(descriptor, length);
    }
    void* map = ::mmap(nullptr, length, PROT_READ, MAP_PRIVATE, descriptor, 0);
    if (map == MAP_FAILED) // a file system that cannot map still reads
        return std::make_unique<StreamBytes>(descriptor);
    if (descriptor != STDIN_FILENO)
        ::close(descriptor); // the map keeps the file
    ::madvise(map, length, MADV_SEQUENTIAL);
    return std::make_unique<MappedBytes>(std::make_shared<const FileMap>(map, length));
}

std::unique_ptr<CaptureBytes> CaptureBytes::view(std::span<const std::uint8_t> octets) {
    return std::make_unique<ContiguousBytes>(octets);
}

} // namespace capture
