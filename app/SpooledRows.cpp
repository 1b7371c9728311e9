#include "SpooledRows.hpp"

namespace app {

void SpooledRows::add(std::string_view row) {
    if (failed())
        return;
    try {
        if (!file_)
            file_ = std::make_unique<zem::TemporaryFile>();
    } catch (const zem::TemporaryFileError& error) {
        failure_ = report_ + ": " + error.what();
        return;
    }
    if (!file_->write(row))
        failure_ = report_ + ": " + file_->failure();
}

const std::string& SpooledRows::flush() {
    if (!failed() && file_ && !file_->flush())
        failure_ = report_ + ": " + file_->failure();
    return failure_;
}

std::string SpooledRows::readBack(const std::function<void(std::string_view)>& write) {
    if (file_ && !file_->readBack(write))
        return report_ + ": " + file_->failure();
    return {};
}

} // namespace app
