#include "OpenCapture.hpp"

#include "ZEMPortsController.hpp"

#include <filesystem>
#include <unistd.h>

namespace gui {

OpenCapture::OpenCapture(capture::CaptureSource source, std::string name, bool live)
    : source_(std::make_unique<capture::CaptureSource>(std::move(source))), name_(std::move(name)),
      live_(live) {}

std::unique_ptr<OpenCapture> OpenCapture::openFile(const std::string& path) {
    std::unique_ptr<OpenCapture> opened(
        new OpenCapture(capture::CaptureSource::openFile(path), path, false));
    opened->start();
    return opened;
}

std::unique_ptr<OpenCapture> OpenCapture::openLive(const std::string& interface) {
    std::unique_ptr<OpenCapture> opened(new OpenCapture(
        capture::CaptureSource::openLive(
            interface,
            capture::claimedPortsFilter(zem::ZEMPortsController::sharedPortsController())),
        interface, true));
    std::string path =
        (std::filesystem::temp_directory_path() / "radius-analyzer-live-XXXXXX").string();
    const int descriptor = mkstemp(path.data());
    if (descriptor >= 0) {
        close(descriptor);
        opened->source_->recordTo(path);
        opened->recording_ = path;
    }
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
        finished_ = true;
    });
}

std::string OpenCapture::failure() const {
    std::lock_guard lock(mutex_);
    return failure_;
}

void OpenCapture::stop() {
    loader_.cancel();
    if (reader_.joinable())
        reader_.join();
    // The recording is complete once the source is closed.
    source_.reset();
}

OpenCapture::~OpenCapture() {
    stop();
    if (recording_) {
        std::error_code ec;
        std::filesystem::remove(*recording_, ec);
    }
}

} // namespace gui
