#include "MetricsEndpoint.hpp"

#include <dlfcn.h>

namespace app {

namespace {

ServeMetricsFunction& serveMetricsFunction() {
    // Found as the program's libraries are, next to them; kept loaded while the process
    // lives, so that no server thread can outlive its code.
    void* module = ::dlopen(metricsModuleName, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    void* serve = module ? ::dlsym(module, serveMetricsSymbol) : nullptr;
    if (!serve) {
        const char* why = ::dlerror();
        throw MetricsError(std::string("--metrics: cannot load the HTTP server: ") +
                           (why ? why : metricsModuleName));
    }
    return *reinterpret_cast<ServeMetricsFunction*>(serve);
}

} // namespace

MetricsEndpoint::MetricsEndpoint(const std::string& address, std::uint16_t port, bool withChecks)
    : withChecks_(withChecks), address_(address) {
    std::string why;
    server_.reset(serveMetricsFunction()(
        address_, port, [this] { return text(); }, why));
    if (!server_)
        throw MetricsError("--metrics: cannot listen on " + address_ + ":" + std::to_string(port) +
                           " (" + why + ")");
}

MetricsEndpoint::~MetricsEndpoint() = default;

std::string MetricsEndpoint::url() const {
    const bool v6 = address_.find(':') != std::string::npos;
    return "http://" + (v6 ? "[" + address_ + "]" : address_) + ":" +
           std::to_string(server_->port()) + "/metrics";
}

std::string MetricsEndpoint::text() {
    const CaptureTotals capture{packets_.load(std::memory_order_relaxed),
                                dropped_.load(std::memory_order_relaxed)};
    std::lock_guard hold(mutex_);
    return metricsText(metrics_, capture, withChecks_);
}

} // namespace app
