#include "reports/LatencyHistogram.hpp"

#include <algorithm>
#include <cmath>

namespace analysis {

namespace {

constexpr double smallest = 1e-6; // seconds
const double growth = std::log(1.02);

std::size_t bucketOf(double seconds, std::size_t buckets) {
    if (seconds <= smallest)
        return 0;
    const auto index = static_cast<std::size_t>(std::log(seconds / smallest) / growth) + 1;
    return std::min(index, buckets - 1);
}

// The middle of a bucket's range, in seconds.
double bucketValue(std::size_t index) {
    if (index == 0)
        return smallest;
    return smallest * std::exp(growth * (static_cast<double>(index) - 0.5));
}

} // namespace

void LatencyHistogram::add(double seconds) {
    seconds = std::max(seconds, 0.0);
    if (count_ == 0 || seconds < minimum_)
        minimum_ = seconds;
    if (count_ == 0 || seconds > maximum_)
        maximum_ = seconds;
    ++count_;
    const auto bucket = static_cast<std::uint16_t>(bucketOf(seconds, bucketCount));
    auto at = std::lower_bound(buckets_.begin(), buckets_.end(), bucket,
                               [](const auto& entry, std::uint16_t b) { return entry.first < b; });
    if (at != buckets_.end() && at->first == bucket)
        ++at->second;
    else
        buckets_.insert(at, {bucket, 1});
}

double LatencyHistogram::percentile(double fraction) const {
    if (count_ == 0)
        return 0;
    // The rank of the time wanted, counted as a sorted list would be.
    const auto rank = static_cast<std::uint64_t>(
        std::ceil(std::clamp(fraction, 0.0, 1.0) * static_cast<double>(count_)));
    // The ends are known exactly.
    if (rank >= count_)
        return maximum_;
    if (rank <= 1)
        return minimum_;
    std::uint64_t seen = 0;
    for (const auto& [bucket, count] : buckets_) {
        seen += count;
        if (seen >= std::max<std::uint64_t>(rank, 1))
            return std::clamp(bucketValue(bucket), minimum_, maximum_);
    }
    return maximum_;
}

} // namespace analysis
