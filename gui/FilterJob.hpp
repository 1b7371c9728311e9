// FilterJob: runs a filter (a -Y expression or a registered find predicate) over every
// message of a capture on worker threads, off the GUI thread, with progress and a way to
// cancel. The expression is checked when the job is made, so that a bad one is reported
// at once and nothing runs.
#pragma once

#include "CaptureChecks.hpp"
#include "MessageIndex.hpp"
#include "MessageStore.hpp"
#include "PlugInHost.hpp"
#include "fields/MessageFilter.hpp"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace gui {

class FilterJob {
public:
    /// `text` as the filter bar takes it (an expression or a find predicate); `checks`
    /// gives the check fields. Throws ZEMError for one that does not parse or names an
    /// unknown field.
    FilterJob(const zem::PlugInHost& host, const CaptureChecks& checks,
              const analysis::RadiusDictionary& dictionary, const std::string& text);
    ~FilterJob();
    FilterJob(const FilterJob&) = delete;
    FilterJob& operator=(const FilterJob&) = delete;

    /// Starts on the first `count` messages of the index; `whenFinished` is called on the
    /// last worker's thread as it ends.
    void start(const capture::MessageIndex& index, const capture::MessageStore& store,
               std::size_t count, std::function<void()> whenFinished = {});
    void cancel() { cancelled_ = true; }
    bool finished() const { return finished_ == workers_.size() && !workers_.empty(); }
    bool cancelled() const { return cancelled_; }
    double progress() const;
    /// The kept messages' index positions in capture order; once finished.
    std::vector<std::uint32_t> takeResult();
    /// Whether the filter keeps one message, read from the store on the calling thread.
    bool keeps(const capture::MessageIndex& index, const capture::MessageStore& store,
               std::size_t position) const;

private:
    void run(std::size_t worker, std::size_t workers);
    bool passes(const capture::MessageIndex& index, const capture::MessageStore& store,
                std::size_t position, zem::ByteView message) const;

    const CaptureChecks& checks_;
    analysis::MessageFields fields_;
    analysis::MessageFilter filter_;
    const capture::MessageIndex* index_ = nullptr;
    const capture::MessageStore* store_ = nullptr;
    std::size_t count_ = 0;
    std::vector<std::vector<std::uint32_t>> kept_; // per worker, in its stripe
    std::vector<std::thread> workers_;
    std::atomic<std::size_t> done_{0};
    std::atomic<std::size_t> finished_{0};
    std::function<void()> whenFinished_;
    std::atomic<bool> cancelled_{false};
};

} // namespace gui
