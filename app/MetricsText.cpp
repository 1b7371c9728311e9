#include "MetricsText.hpp"

#include "wire/RadiusProtocol.hpp"

#include <charconv>

namespace app {

namespace {

using analysis::ClientMetrics;

std::string clientLabel(const ClientMetrics& client) {
    return client.client ? client.client->text() : "other";
}

void appendNumber(std::string& out, std::uint64_t value) {
    char digits[24];
    auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, end);
}

void appendNumber(std::string& out, double value) {
    char digits[32];
    auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, end);
}

// One sample line: name{client="…"[,extra]} value
template <typename Number>
void sample(std::string& out, std::string_view name, const std::string& client,
            std::string_view extra, Number value) {
    out += name;
    out += "{client=\"";
    out += client;
    out += '"';
    if (!extra.empty()) {
        out += ',';
        out += extra;
    }
    out += "} ";
    appendNumber(out, value);
    out += '\n';
}

// The samples of one code class (all, requests or responses) by code.
void codeSamples(std::string& out, std::string_view name, const ClientMetrics& client,
                 bool (*counted)(std::uint8_t)) {
    const auto label = clientLabel(client);
    client.forEachCode([&](std::uint8_t code, std::uint64_t count) {
        if (counted(code))
            sample(out, name, label, "code=\"" + analysis::codeName(code) + "\"", count);
    });
}

void histogramSamples(std::string& out, const ClientMetrics& client) {
    const auto label = clientLabel(client);
    std::uint64_t below = 0;
    for (std::size_t i = 0; i < analysis::responseTimeBuckets.size(); ++i) {
        below += client.responseTimes[i];
        std::string le = "le=\"";
        appendNumber(le, analysis::responseTimeBuckets[i]);
        le += '"';
        sample(out, "radius_response_seconds_bucket", label, le, below);
    }
    below += client.responseTimes.back();
    sample(out, "radius_response_seconds_bucket", label, "le=\"+Inf\"", below);
    sample(out, "radius_response_seconds_sum", label, "", client.responseTimeSum);
    sample(out, "radius_response_seconds_count", label, "", below);
}

struct Family {
    std::string_view name;
    std::string_view type;
    std::string_view help;
    bool needsChecks;
    // Appends the family's samples for one client.
    void (*samples)(std::string&, const ClientMetrics&);
};

template <std::uint64_t ClientMetrics::*Member>
void perClient(std::string& out, std::string_view name, const ClientMetrics& client) {
    sample(out, name, clientLabel(client), "", client.*Member);
}

bool anyCode(std::uint8_t) {
    return true;
}

constexpr Family families[] = {
    {"radius_messages_total", "counter", "RADIUS messages by client and code.", false,
     [](std::string& out, const ClientMetrics& c) {
         codeSamples(out, "radius_messages_total", c, anyCode);
     }},
    {"radius_requests_total", "counter", "RADIUS requests by client and code.", false,
     [](std::string& out, const ClientMetrics& c) {
         codeSamples(out, "radius_requests_total", c, analysis::isRequestCode);
     }},
    {"radius_responses_total", "counter", "RADIUS responses by client and code.", false,
     [](std::string& out, const ClientMetrics& c) {
         codeSamples(out, "radius_responses_total", c, analysis::isResponseCode);
     }},
    {"radius_unanswered_total", "counter",
     "Requests given up on: no response within 60 seconds, or before the input ended.", false,
     [](std::string& out, const ClientMetrics& c) {
         perClient<&ClientMetrics::unanswered>(out, "radius_unanswered_total", c);
     }},
    {"radius_retransmissions_total", "counter",
     "Requests sent again while the first was still waiting.", false,
     [](std::string& out, const ClientMetrics& c) {
         perClient<&ClientMetrics::retransmissions>(out, "radius_retransmissions_total", c);
     }},
    {"radius_response_seconds", "histogram", "Time from a request to its response.", false,
     histogramSamples},
    {"radius_malformed_total", "counter", "Messages with a malformed or truncated attribute.",
     false,
     [](std::string& out, const ClientMetrics& c) {
         perClient<&ClientMetrics::malformed>(out, "radius_malformed_total", c);
     }},
    {"radius_checks_failed_total", "counter",
     "Messages whose authenticator or Message-Authenticator does not verify with the shared "
     "secret.",
     true,
     [](std::string& out, const ClientMetrics& c) {
         const auto label = clientLabel(c);
         sample(out, "radius_checks_failed_total", label, "check=\"authenticator\"",
                c.authenticatorFailed);
         sample(out, "radius_checks_failed_total", label, "check=\"message_authenticator\"",
                c.messageAuthenticatorFailed);
     }},
    {"radius_exposed_total", "counter",
     "Messages open to forgery (Blast-RADIUS): without a Message-Authenticator where one "
     "protects them.",
     false,
     [](std::string& out, const ClientMetrics& c) {
         perClient<&ClientMetrics::exposed>(out, "radius_exposed_total", c);
     }},
};

void header(std::string& out, std::string_view name, std::string_view type, std::string_view help) {
    out += "# HELP ";
    out += name;
    out += ' ';
    out += help;
    out += "\n# TYPE ";
    out += name;
    out += ' ';
    out += type;
    out += '\n';
}

} // namespace

std::string metricsText(const analysis::LiveMetrics& metrics, const CaptureTotals& capture,
                        bool withChecks) {
    std::string out;
    for (const auto& family : families) {
        if (family.needsChecks && !withChecks)
            continue;
        header(out, family.name, family.type, family.help);
        metrics.forEachClient([&](const ClientMetrics& client) { family.samples(out, client); });
    }
    header(out, "radius_capture_packets_total", "counter", "Packets read from the capture.");
    out += "radius_capture_packets_total ";
    appendNumber(out, capture.packets);
    out += '\n';
    header(out, "radius_capture_dropped_total", "counter",
           "Packets the kernel dropped before the capture could read them.");
    out += "radius_capture_dropped_total ";
    appendNumber(out, capture.dropped);
    out += '\n';
    return out;
}

} // namespace app
