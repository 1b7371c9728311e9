// The module behind MetricsHttpServer.hpp: Debian's cpp-httplib serves --metrics, a
// well-kept HTTP server, not one of our own.
#include "MetricsHttpServer.hpp"

#include <httplib.h>
#include <sys/socket.h>
#include <thread>

namespace app {
namespace {

class HttplibMetricsServer final : public MetricsHttpServer {
public:
    explicit HttplibMetricsServer(MetricsPage page) {
        server_.Get("/metrics",
                    [page = std::move(page)](const httplib::Request&, httplib::Response& response) {
                        response.set_content(page(), "text/plain; version=0.0.4; charset=utf-8");
                    });
        // Scrapes come from a few monitoring servers: two threads answer them.
        server_.new_task_queue = [] { return new httplib::ThreadPool(2); };
        // The library's default also sets SO_REUSEPORT, which lets a second run bind the
        // same port and take half the scrapes: a port in use must be an error instead.
        server_.set_socket_options([](int socket) {
            const int yes = 1;
            ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        });
    }
    ~HttplibMetricsServer() override {
        if (thread_.joinable()) {
            server_.stop();
            thread_.join();
        }
    }
    HttplibMetricsServer(const HttplibMetricsServer&) = delete;
    HttplibMetricsServer& operator=(const HttplibMetricsServer&) = delete;

    bool listen(const std::string& address, std::uint16_t port) {
        if (port == 0)
            port_ = server_.bind_to_any_port(address);
        else if (server_.bind_to_port(address, port))
            port_ = port;
        if (port_ <= 0)
            return false;
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        return true;
    }
    int port() const override { return port_; }

private:
    httplib::Server server_;
    int port_ = 0;
    std::thread thread_;
};

} // namespace
} // namespace app

// Looked up by name with dlsym, so it has C linkage; its type is ServeMetricsFunction.
extern "C" __attribute__((visibility("default"))) app::MetricsHttpServer*
radiusServeMetrics(const std::string& address, std::uint16_t port, app::MetricsPage page,
                   std::string& why) {
    auto server = std::make_unique<app::HttplibMetricsServer>(std::move(page));
    if (!server->listen(address, port)) {
        why = "the port is in use, or the address is not this machine's";
        return nullptr;
    }
    return server.release();
}

// The declaration and the definition must agree, though dlsym cannot check them.
static_assert(std::is_same_v<decltype(radiusServeMetrics), app::ServeMetricsFunction>);
