// MetricsEndpoint: serves the run's LiveMetrics at http://ADDRESS:PORT/metrics for
// Prometheus to scrape, from a thread of its own, while the capture is read. The reading
// side counts a batch of messages at a time under the lock; a scrape holds it only while
// the text is made.
#pragma once

#include "MetricsHttpServer.hpp"
#include "MetricsText.hpp"
#include "reports/LiveMetrics.hpp"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>

namespace app {

class MetricsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class MetricsEndpoint {
public:
    /// Listens on `address`:`port` (0: a free port); throws MetricsError when it cannot.
    MetricsEndpoint(const std::string& address, std::uint16_t port, bool withChecks);
    ~MetricsEndpoint();
    MetricsEndpoint(const MetricsEndpoint&) = delete;
    MetricsEndpoint& operator=(const MetricsEndpoint&) = delete;

    /// The address to scrape, http://ADDRESS:PORT/metrics.
    std::string url() const;

    /// Holds the metrics for the caller to count into.
    std::unique_lock<std::mutex> lock() { return std::unique_lock(mutex_); }
    analysis::LiveMetrics& metrics() { return metrics_; }

    void setPackets(std::uint64_t packets) { packets_.store(packets, std::memory_order_relaxed); }
    void setDropped(std::uint64_t dropped) { dropped_.store(dropped, std::memory_order_relaxed); }

private:
    std::string text();

    std::mutex mutex_;
    analysis::LiveMetrics metrics_;
    bool withChecks_;
    std::atomic<std::uint64_t> packets_{0}, dropped_{0};
    std::string address_;
    std::unique_ptr<MetricsHttpServer> server_;
};

} // namespace app
