#include "MetricsEndpoint.hpp"

#include <httplib.h>
#include <sys/socket.h>

namespace app {

MetricsEndpoint::MetricsEndpoint(const std::string& address, std::uint16_t port, bool withChecks)
    : withChecks_(withChecks), address_(address), server_(std::make_unique<httplib::Server>()) {
    server_->Get("/metrics", [this](const httplib::Request&, httplib::Response& response) {
        response.set_content(text(), "text/plain; version=0.0.4; charset=utf-8");
    });
    // Scrapes come from a few monitoring servers: two threads answer them.
    server_->new_task_queue = [] { return new httplib::ThreadPool(2); };
    // The library's default also sets SO_REUSEPORT, which lets a second run bind the same
    // port and take half the scrapes: a port in use must be an error instead.
    server_->set_socket_options([](int socket) {
        const int yes = 1;
        ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    const bool bound = port == 0 ? (port_ = server_->bind_to_any_port(address_)) > 0
                                 : server_->bind_to_port(address_, port);
    if (!bound)
        throw MetricsError("--metrics: cannot listen on " + address_ + ":" + std::to_string(port) +
                           " (the port is in use, or the address is not this machine's)");
    if (port != 0)
        port_ = port;
    thread_ = std::thread([this] { server_->listen_after_bind(); });
}

MetricsEndpoint::~MetricsEndpoint() {
    server_->stop();
    thread_.join();
}

std::string MetricsEndpoint::url() const {
    const bool v6 = address_.find(':') != std::string::npos;
    return "http://" + (v6 ? "[" + address_ + "]" : address_) + ":" + std::to_string(port_) +
           "/metrics";
}

std::string MetricsEndpoint::text() {
    const CaptureTotals capture{packets_.load(std::memory_order_relaxed),
                                dropped_.load(std::memory_order_relaxed)};
    std::lock_guard hold(mutex_);
    return metricsText(metrics_, capture, withChecks_);
}

} // namespace app
