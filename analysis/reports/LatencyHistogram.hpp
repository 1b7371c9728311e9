// LatencyHistogram: response times counted in buckets that grow by 2 % from a
// microsecond to ten minutes, so that percentiles of any number of exchanges cost at most
// 11 KB; only the buckets used are kept, so a client with a few answers costs a few
// bytes. The smallest and largest times are kept exactly.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace analysis {

class LatencyHistogram {
public:
    void add(double seconds);
    std::uint64_t count() const { return count_; }
    double minimum() const { return minimum_; }
    double maximum() const { return maximum_; }
    /// The time below which `fraction` of the times fall, to within 2 %.
    double percentile(double fraction) const;

private:
    static constexpr std::size_t bucketCount = 1400;
    std::vector<std::pair<std::uint16_t, std::uint32_t>> buckets_; // by bucket, used ones
    std::uint64_t count_ = 0;
    double minimum_ = 0, maximum_ = 0;
};

} // namespace analysis
