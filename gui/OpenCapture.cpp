#include "OpenCapture.hpp"

#include "StoredMessages.hpp"
#include "TemporaryFile.hpp"
#include "ZEMPortsController.hpp"

#include <QSaveFile>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <unistd.h>

namespace gui {

OpenCapture::OpenCapture(capture::CaptureSource source, std::string name, bool live)
    : source_(std::make_unique<capture::CaptureSource>(std::move(source))), name_(std::move(name)),
      live_(live) {}

std::unique_ptr<OpenCapture> OpenCapture::openFile(const std::string& path,
                                                   const std::string& tlsKeyLog,
                                                   std::function<void()> whenFinished) {
    std::unique_ptr<OpenCapture> opened(
        new OpenCapture(capture::CaptureSource::openFile(path), path, false));
    opened->loader_.useTlsSecrets(tlsKeyLog);
    opened->whenFinished_ = std::move(whenFinished);
    opened->start();
    return opened;
}

std::unique_ptr<OpenCapture> OpenCapture::openLive(const std::string& interface,
                                                   const std::string& tlsKeyLog,
                                                   std::function<void()> whenFinished) {
    std::unique_ptr<OpenCapture> opened(new OpenCapture(
        capture::CaptureSource::openLive(
            interface,
            capture::claimedPortsFilter(zem::ZEMPortsController::sharedPortsController())),
        interface, true));
    std::string path = zem::TemporaryFile::folder() + "/radius-analyzer-live-XXXXXX";
    const int descriptor = ::mkstemp(path.data()); // readable by its owner only
    if (descriptor < 0)
        throw capture::CaptureError("cannot record the capture in " + zem::TemporaryFile::folder() +
                                    ": " + std::strerror(errno) +
                                    " (set TMPDIR to another folder)");
    ::unlink(path.c_str());
    opened->recording_ = descriptor;
    std::FILE* stream = ::fdopen(::dup(descriptor), "wb");
    if (!stream)
        throw capture::CaptureError(std::string("cannot record the capture: ") +
                                    std::strerror(errno));
    opened->source_->recordTo(stream);
    opened->loader_.useTlsSecrets(tlsKeyLog);
    opened->whenFinished_ = std::move(whenFinished);
    opened->start();
    return opened;
}

void OpenCapture::start() {
    reader_ = std::thread([this] {
        auto error = loader_.load(*source_);
        {
            std::lock_guard lock(mutex_);
            failure_ = std::move(error);
        }
        read_ = true;
    });
    linker_ = std::thread([this] { linkExchanges(); });
}

void OpenCapture::linkExchanges() {
    auto table = std::make_shared<analysis::ExchangeTable>();
    // A block at a time: copied messages are read from the store in one piece.
    constexpr std::size_t block = 4096;
    zem::ByteBuffer buffer;
    std::size_t linked = 0;
    // A file's messages come faster than a live capture's, which need not be looked for
    // five hundred times a second.
    const auto pause = std::chrono::milliseconds(live_ ? 20 : 2);
    while (!stopping_) {
        // Whether the reading ended, before how much is published: then what this sees is
        // everything.
        const bool read = read_.load();
        const std::size_t published = index_.size();
        if (linked == published) {
            if (read)
                break;
            std::this_thread::sleep_for(pause);
            continue;
        }
        const std::size_t end = std::min(published, linked + block);
        // A message no longer in the store (its file cut short under the window) ends the
        // links there, rather than linking the messages after it to the wrong positions.
        const bool whole = capture::forEachStored(
            index_, store_, linked, end, buffer,
            [&](std::size_t position, const capture::IndexedMessage&, zem::ByteView message) {
                table->add(index_.origin(position), message);
            });
        if (!whole)
            break;
        linked = end;
    }
    table->finish();
    {
        std::lock_guard lock(mutex_);
        exchanges_ = std::move(table);
    }
    // The loader may still be at work when linking ended early.
    while (!read_ && !stopping_)
        std::this_thread::sleep_for(pause);
    finished_ = true;
    if (whenFinished_)
        whenFinished_();
}

std::string OpenCapture::failure() const {
    std::lock_guard lock(mutex_);
    return failure_;
}

std::shared_ptr<const analysis::ExchangeTable> OpenCapture::exchanges() const {
    std::lock_guard lock(mutex_);
    return exchanges_;
}

void OpenCapture::stop() {
    stopping_ = true;
    loader_.cancel();
    if (reader_.joinable())
        reader_.join();
    if (linker_.joinable())
        linker_.join();
    // The recording is complete once the source is closed.
    source_.reset();
}

OpenCapture::~OpenCapture() {
    stop();
    if (recording_ >= 0)
        ::close(recording_);
}

std::string OpenCapture::saveRecording(const std::string& path) const {
    QSaveFile out(QString::fromStdString(path));
    if (!out.open(QIODevice::WriteOnly))
        return out.errorString().toStdString();
    char buffer[65536];
    for (off_t at = 0;;) {
        const ssize_t got = ::pread(recording_, buffer, sizeof buffer, at);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return std::string("cannot read the recording: ") + std::strerror(errno);
        if (got == 0)
            break;
        if (out.write(buffer, got) != got)
            return out.errorString().toStdString();
        at += got;
    }
    if (!out.commit())
        return out.errorString().toStdString();
    return {};
}

} // namespace gui
