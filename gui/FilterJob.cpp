#include "FilterJob.hpp"

#include "StoredMessages.hpp"

#include <algorithm>

namespace gui {

namespace {
// Messages are shared out in runs, so that each worker reads the store in order.
constexpr std::size_t runLength = 4096;
} // namespace

FilterJob::FilterJob(const zem::PlugInHost& host, const CaptureChecks& checks,
                     const analysis::RadiusDictionary& dictionary, const std::string& text)
    : checks_(checks), fields_(host, checks.display(host), &dictionary),
      filter_(analysis::MessageFilter::fromFilterBar(fields_, text)) {}

FilterJob::~FilterJob() {
    cancelled_ = true;
    for (auto& worker : workers_)
        worker.join();
}

void FilterJob::start(const capture::MessageIndex& index, const capture::MessageStore& store,
                      std::size_t count, std::function<void()> whenFinished) {
    whenFinished_ = std::move(whenFinished);
    index_ = &index;
    store_ = &store;
    count_ = count;
    const auto workers = std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 8);
    kept_.resize(workers);
    for (std::size_t w = 0; w < workers; ++w)
        workers_.emplace_back([this, w, workers] { run(w, workers); });
}

void FilterJob::run(std::size_t worker, std::size_t workers) {
    zem::ByteBuffer buffer;
    for (std::size_t start = worker * runLength; start < count_ && !cancelled_;
         start += workers * runLength) {
        const std::size_t end = std::min(count_, start + runLength);
        capture::forEachStored(
            *index_, *store_, start, end, buffer,
            [&](std::size_t position, const capture::IndexedMessage&, zem::ByteView message) {
                if (passes(*index_, *store_, position, message))
                    kept_[worker].push_back(static_cast<std::uint32_t>(position));
            });
        done_ += end - start;
    }
    if (++finished_ == workers && whenFinished_)
        whenFinished_();
}

bool FilterJob::passes(const capture::MessageIndex& index, const capture::MessageStore& store,
                       std::size_t position, zem::ByteView message) const {
    const auto decoded = checks_.decodeAt(fields_.host(), index, store, position, message);
    return decoded && filter_.passes(*decoded);
}

bool FilterJob::keeps(const capture::MessageIndex& index, const capture::MessageStore& store,
                      std::size_t position) const {
    zem::ByteBuffer buffer;
    bool kept = false;
    capture::forEachStored(
        index, store, position, position + 1, buffer,
        [&](std::size_t at, const capture::IndexedMessage&, zem::ByteView message) {
            kept = passes(index, store, at, message);
        });
    return kept;
}

double FilterJob::progress() const {
    return count_ == 0 ? 1.0 : static_cast<double>(done_.load()) / static_cast<double>(count_);
}

std::vector<std::uint32_t> FilterJob::takeResult() {
    std::vector<std::uint32_t> all;
    for (auto& part : kept_)
        all.insert(all.end(), part.begin(), part.end());
    std::sort(all.begin(), all.end());
    return all;
}

} // namespace gui
