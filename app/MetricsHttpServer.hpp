// MetricsHttpServer: the HTTP side of --metrics. It lives in a module of its own,
// libradius-metrics-http.so, which the command line opens only when --metrics is given:
// linked into the program, the HTTP library and what it brings (its TLS set-up and two
// compression libraries) added about 3.5 ms to every start, a tenth of a short run.
//
//   auto* serve = reinterpret_cast<ServeMetricsFunction*>(dlsym(module, serveMetricsSymbol));
//   std::string why;
//   std::unique_ptr<MetricsHttpServer> server(serve(address, port, page, why));
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace app {

class MetricsHttpServer {
public:
    virtual ~MetricsHttpServer() = default;
    /// The port it listens on: the one asked for, or the free one it found for 0.
    virtual int port() const = 0;
};

/// Answers the text of one scrape; called from the server's threads.
using MetricsPage = std::function<std::string()>;

/// Listens on `address`:`port` (0: a free port) and serves `page` at /metrics from threads
/// of its own until deleted; nullptr, with `why` set, when it cannot listen.
using ServeMetricsFunction = MetricsHttpServer*(const std::string& address, std::uint16_t port,
                                                MetricsPage page, std::string& why);

inline constexpr const char* metricsModuleName = "libradius-metrics-http.so";
inline constexpr const char* serveMetricsSymbol = "radiusServeMetrics";

} // namespace app
