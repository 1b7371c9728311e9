#include "FilterJob.hpp"

#include <algorithm>

namespace gui {

namespace {
// Messages are shared out in runs, so that each worker reads the store in order.
constexpr std::size_t runLength = 4096;
} // namespace

FilterJob::FilterJob(const zem::PlugInHost& host, const std::string& expression,
                     const std::optional<std::string>& findPredicate)
    : fields_(host), filter_(fields_, expression.empty() ? std::nullopt : std::optional(expression),
                             findPredicate) {}

FilterJob::~FilterJob() {
    cancelled_ = true;
    for (auto& worker : workers_)
        worker.join();
}

void FilterJob::start(const capture::MessageIndex& index, const capture::MessageStore& store,
                      std::size_t count) {
    index_ = &index;
    store_ = &store;
    count_ = count;
    const auto workers = std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 8);
    kept_.resize(workers);
    for (std::size_t w = 0; w < workers; ++w)
        workers_.emplace_back([this, w, workers] { run(w, workers); });
}

void FilterJob::run(std::size_t worker, std::size_t workers) {
    const double firstTime = index_->firstTime();
    zem::ByteBuffer run;
    for (std::size_t start = worker * runLength; start < count_ && !cancelled_;
         start += workers * runLength) {
        const std::size_t end = std::min(count_, start + runLength);
        // Messages are stored in capture order: a run is one read.
        const auto from = (*index_)[start].storeOffset;
        const auto& last = (*index_)[end - 1];
        if (!store_->read(from, static_cast<std::size_t>(last.storeOffset + last.length - from),
                          run))
            continue;
        for (std::size_t i = start; i < end; ++i) {
            const auto& entry = (*index_)[i];
            const zem::ByteView message = zem::ByteView(run).slice(
                static_cast<std::size_t>(entry.storeOffset - from), entry.length);
            if (passes(entry, message, firstTime))
                kept_[worker].push_back(static_cast<std::uint32_t>(i));
        }
        done_ += end - start;
    }
    ++finished_;
}

bool FilterJob::passes(const capture::IndexedMessage& entry, zem::ByteView message,
                       double firstTime) const {
    auto analyzer = fields_.host().analyzerClass().create(message, nullptr);
    if (!analyzer)
        return false;
    const auto origin = entry.origin(firstTime);
    return filter_.passes({origin, message, *analyzer});
}

bool FilterJob::keeps(const capture::MessageIndex& index, const capture::MessageStore& store,
                      std::size_t position) const {
    zem::ByteBuffer octets;
    const auto& entry = index[position];
    return store.read(entry.storeOffset, entry.length, octets) &&
           passes(entry, zem::ByteView(octets), index.firstTime());
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
