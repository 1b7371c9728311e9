#include "CaptureSession.hpp"

#include "ZEMPortsController.hpp"

#include <filesystem>
#include <unistd.h>

namespace gui {

CaptureSession::CaptureSession(capture::CaptureSource source, std::string name, bool live)
    : source_(std::make_unique<capture::CaptureSource>(std::move(source))), name_(std::move(name)),
      live_(live) {}

std::unique_ptr<CaptureSession> CaptureSession::openFile(const std::string& path) {
    std::unique_ptr<CaptureSession> session(
        new CaptureSession(capture::CaptureSource::openFile(path), path, false));
    session->start();
    return session;
}

std::unique_ptr<CaptureSession> CaptureSession::openLive(const std::string& interface) {
    std::unique_ptr<CaptureSession> session(new CaptureSession(
        capture::CaptureSource::openLive(
            interface,
            capture::claimedPortsFilter(zem::ZEMPortsController::sharedPortsController())),
        interface, true));
    std::string path =
        (std::filesystem::temp_directory_path() / "radius-analyzer-live-XXXXXX").string();
    const int descriptor = mkstemp(path.data());
    if (descriptor >= 0) {
        close(descriptor);
        session->source_->recordTo(path);
        session->recording_ = path;
    }
    session->start();
    return session;
}

void CaptureSession::start() {
    reader_ = std::thread([this] {
        auto error = loader_.load(*source_);
        {
            std::lock_guard lock(mutex_);
            failure_ = std::move(error);
        }
        finished_ = true;
    });
}

std::string CaptureSession::failure() const {
    std::lock_guard lock(mutex_);
    return failure_;
}

void CaptureSession::stop() {
    loader_.cancel();
    if (reader_.joinable())
        reader_.join();
    // The recording is complete once the source is closed.
    source_.reset();
}

CaptureSession::~CaptureSession() {
    stop();
    if (recording_) {
        std::error_code ec;
        std::filesystem::remove(*recording_, ec);
    }
}

} // namespace gui
