// make-samples: writes the small captures in samples/ (make-samples DIR), or a large
// capture with a realistic mix of RADIUS traffic for the benchmarks
// (make-samples --bench COUNT FILE). Output is the same on every run.
#include "RadsecWriter.hpp"
#include "SampleWriter.hpp"
#include "SecretsSample.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

using namespace tools;

namespace {

constexpr std::uint8_t TCP_SYN = 0x02, TCP_ACK = 0x10, TCP_PSH = 0x08;

const Endpoint nas{ipv4(192, 0, 2, 10), 50000};
const Endpoint server{ipv4(192, 0, 2, 1), 1812};
const Endpoint accounting{ipv4(192, 0, 2, 1), 1813};

Bytes eapIdentity(std::uint8_t id, std::string_view identity) {
    Bytes b(5 + identity.size());
    b[0] = 2; // EAP Response
    b[1] = id;
    b[3] = static_cast<std::uint8_t>(b.size());
    b[4] = 1; // Identity
    std::copy(identity.begin(), identity.end(), b.begin() + 5);
    return b;
}

RadiusMessage accessRequest(std::uint8_t id, std::string_view user) {
    RadiusMessage m(1, id, id);
    m.text(1, user)
        .attribute(2, Bytes(16, 0x5a))
        .address(4, 0xC000020A)
        .integer(5, 7)
        .integer(6, 2)
        .integer(7, 1)
        .text(30, "00-11-22-33-44-55:corp")
        .text(31, "66-77-88-99-AA-BB")
        .integer(61, 19)
        .text(32, "nas-1");
    return m;
}

RadiusMessage accessAccept(std::uint8_t id) {
    RadiusMessage m(2, id, 1000u + id);
    m.integer(6, 2)
        .address(8, 0x0A000102)
        .address(9, 0xFFFFFF00)
        .integer(27, 3600)
        .text(18, "Welcome")
        .text(25, "class-1");
    return m;
}

RadiusMessage accountingRequest(std::uint8_t id, std::uint32_t status, std::uint32_t seconds) {
    RadiusMessage m(4, id, 2000u + id);
    m.integer(40, status)
        .text(44, "session-0001")
        .text(1, "alice")
        .address(4, 0xC000020A)
        .integer(5, 7)
        .integer(45, 1)
        .integer(61, 15)
        .address(8, 0x0A000102)
        .integer(55, 1700000000 + seconds)
        .text(30, "00-11-22-33-44-55")
        .text(31, "66-77-88-99-AA-BB")
        .text(87, "eth0/1");
    if (status != 1)
        m.integer(46, seconds)
            .integer(42, seconds * 1000)
            .integer(43, seconds * 3000)
            .integer(47, seconds * 10)
            .integer(48, seconds * 20)
            .integer(52, 0)
            .integer(53, 0);
    if (status == 2)
        m.integer(49, 1);
    return m;
}

void authentication(const std::string& dir) {
    CaptureWriter w(dir + "/auth-exchange.pcap", Link::ethernet);
    // PAP: request, accept.
    w.udp(nas, server, accessRequest(1, "alice").bytes());
    w.udp(server, nas, accessAccept(1).bytes());
    // EAP: request with identity, challenge, second request, reject.
    RadiusMessage eap1(1, 2, 3);
    eap1.text(1, "bob").attribute(79, eapIdentity(1, "bob")).attribute(80, Bytes(16, 0));
    w.advance(0.01);
    w.udp(nas, server, eap1.bytes());
    RadiusMessage challenge(11, 2, 4);
    challenge
        .attribute(79, {1, 2, 0, 22, 4, 16, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16})
        .text(24, "state-1")
        .attribute(80, Bytes(16, 0));
    w.udp(server, nas, challenge.bytes());
    RadiusMessage eap2(1, 3, 5);
    eap2.text(1, "bob")
        .attribute(79, {2, 2, 0, 22, 4, 16, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9})
        .text(24, "state-1")
        .attribute(80, Bytes(16, 0));
    w.udp(nas, server, eap2.bytes());
    RadiusMessage reject(3, 3, 6);
    reject.attribute(79, {4, 2, 0, 4}).text(18, "Denied").attribute(80, Bytes(16, 0));
    w.udp(server, nas, reject.bytes());
    // A retransmitted request that is never answered.
    w.advance(1);
    w.udp(nas, server, accessRequest(9, "carol").bytes());
    w.advance(3);
    w.udp(nas, server, accessRequest(9, "carol").bytes());
}

// Two taps merged, the server's clock a few milliseconds behind the NAS's: two responses
// are stamped before the requests they answer, though they follow them in the file.
void mergedTaps(const std::string& dir) {
    CaptureWriter w(dir + "/merged-taps.pcap", Link::ethernet);
    const double responseDelays[] = {0.002, -0.003, -0.001, 0.004};
    std::uint8_t id = 20;
    for (const double delay : responseDelays) {
        w.udp(nas, server, accessRequest(id, "dave").bytes());
        w.advance(delay - 0.000125); // the writer has stepped on past the request
        w.udp(server, nas, accessAccept(id).bytes());
        w.advance(1 - delay);
        ++id;
    }
}

// Responses read long after their requests, so that a request's line must name a frame
// several batches on; then a request sent again and answered twice, and an Identifier
// used again with a new authenticator after the first request went unanswered.
void exchanges(const std::string& dir) {
    CaptureWriter w(dir + "/exchanges.pcap", Link::ethernet);
    constexpr int waiting = 300;
    const auto client = [](int i) {
        return Endpoint{nas.address, static_cast<std::uint16_t>(40000 + i)};
    };
    for (int i = 0; i < waiting; ++i) {
        w.udp(client(i), server, accessRequest(static_cast<std::uint8_t>(i), "user").bytes());
        w.advance(0.001);
    }
    for (int i = waiting - 1; i >= 0; --i) {
        w.udp(server, client(i), accessAccept(static_cast<std::uint8_t>(i)).bytes());
        w.advance(0.001);
    }
    w.udp(nas, server, accessRequest(7, "erin").bytes());
    w.advance(1);
    w.udp(nas, server, accessRequest(7, "erin").bytes());
    w.udp(server, nas, accessAccept(7).bytes());
    w.udp(server, nas, accessAccept(7).bytes());
    w.udp(nas, server, accessRequest(8, "frank").bytes());
    w.advance(2);
    RadiusMessage again(1, 8, 80);
    again.text(1, "frank").attribute(2, Bytes(16, 0x5b));
    w.udp(nas, server, again.bytes());
    w.udp(server, nas, accessAccept(8).bytes());
}

void accountingExchange(const std::string& dir) {
    CaptureWriter w(dir + "/accounting.pcap", Link::ethernet);
    std::uint8_t id = 10;
    for (auto [status, seconds] : {std::pair{1u, 0u}, {3u, 600u}, {2u, 900u}}) {
        w.udp(nas, accounting, accountingRequest(id, status, seconds).bytes());
        w.udp(accounting, nas, RadiusMessage(5, id, 3000u + id).bytes());
        ++id;
        w.advance(1);
    }
}

void dynamicAuthorization(const std::string& dir) {
    CaptureWriter w(dir + "/coa-disconnect.pcap", Link::ethernet);
    Endpoint das{ipv4(192, 0, 2, 1), 40000}, coaNas{ipv4(192, 0, 2, 10), 3799};
    RadiusMessage coa(43, 1, 1);
    coa.text(1, "alice").text(44, "session-0001").text(11, "premium");
    w.udp(das, coaNas, coa.bytes());
    w.udp(coaNas, das, RadiusMessage(44, 1, 2).bytes());
    RadiusMessage disconnect(40, 2, 3);
    disconnect.text(1, "alice").text(44, "session-0001");
    w.udp(das, coaNas, disconnect.bytes());
    RadiusMessage nak(42, 2, 4);
    nak.integer(101, 503);
    w.udp(coaNas, das, nak.bytes());
}

void ipv6AndLinks(const std::string& dir) {
    {
        CaptureWriter w(dir + "/ipv6.pcap", Link::ethernet);
        Endpoint client{ipv6("2001:db8::10"), 50001}, radius{ipv6("2001:db8::1"), 1812};
        RadiusMessage m(1, 20, 20);
        m.text(1, "dave")
            .attribute(95, ipv6("2001:db8::10"))
            .attribute(97, {0, 64, 0x20, 0x01, 0x0d, 0xb8, 0, 1, 0, 0})
            .attribute(123, {0, 56, 0x20, 0x01, 0x0d, 0xb8, 0, 2, 0});
        w.udp(client, radius, m.bytes());
        w.udp(radius, client, accessAccept(20).bytes());
    }
    struct LinkSample {
        const char* name;
        Link link;
    } links[] = {{"vlan.pcap", Link::vlan},     {"qinq.pcap", Link::qinq},
                 {"linux-sll.pcap", Link::sll}, {"linux-sll2.pcap", Link::sll2},
                 {"raw-ip.pcap", Link::raw},    {"bsd-null.pcap", Link::null}};
    for (const auto& s : links) {
        CaptureWriter w(dir + "/" + s.name, s.link);
        w.udp(nas, server, accessRequest(30, "erin").bytes());
        w.udp(server, nas, accessAccept(30).bytes());
    }
}

void vendorAndTunnel(const std::string& dir) {
    CaptureWriter w(dir + "/vendor-tunnel.pcap", Link::ethernet);
    RadiusMessage m(2, 40, 40);
    m.vendor(9, 1, "shell:priv-lvl=15")
        .vendor(311, 16, "mppe")
        .vendor(14823, 1, "employee")
        .vendor(4242424, 1, "no-such-vendor")
        .attribute(64, {1, 0, 0, 13})
        .attribute(65, {1, 0, 0, 6})
        .attribute(81, {1, '1', '0', '0'})
        .attribute(66, {1, 'l', 'n', 's'})
        .attribute(69, {1, 0x80, 0x01, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16})
        .attribute(83, {1, 0, 0, 10})
        .attribute(82, {2, 'i', 'd'})
        .attribute(58, {'1', 'v', 'l', 'a', 'n', '1', '0'})
        .integer(56, 0x31000064);
    w.udp(server, nas, m.bytes());
}

void fragmented(const std::string& dir) {
    for (bool v6 : {false, true}) {
        CaptureWriter w(dir + (v6 ? "/fragmented-eap-ipv6.pcap" : "/fragmented-eap-ipv4.pcap"),
                        Link::ethernet);
        Endpoint client = v6 ? Endpoint{ipv6("2001:db8::10"), 50002} : nas;
        Endpoint radius = v6 ? Endpoint{ipv6("2001:db8::1"), 1812} : server;
        RadiusMessage m(1, 50, 50);
        m.text(1, "tls-user@example.net");
        // An EAP-TLS certificate flight spread over several EAP-Message attributes.
        for (int i = 0; i < 12; ++i) {
            Bytes chunk(253);
            for (std::size_t k = 0; k < chunk.size(); ++k)
                chunk[k] = static_cast<std::uint8_t>(static_cast<std::size_t>(i) * 17 + k);
            m.attribute(79, chunk);
        }
        m.attribute(80, Bytes(16, 0));
        w.udp(client, radius, m.bytes(), 1400);
        w.udp(radius, client, accessAccept(50).bytes());
    }
}

void tcpStreams(const std::string& dir) {
    Endpoint client{ipv4(192, 0, 2, 20), 40001}, radius{ipv4(192, 0, 2, 1), 1812};
    Bytes first = accessRequest(60, "frank").bytes();
    Bytes second = accessRequest(61, "grace").bytes();
    Bytes third = accessRequest(62, "heidi").bytes();
    {
        CaptureWriter w(dir + "/tcp-split.pcap", Link::ethernet);
        std::uint32_t seq = 1000;
        w.tcp(client, radius, seq, TCP_SYN, {});
        ++seq;
        // The first message in three segments, the middle one sent twice.
        Bytes a(first.begin(), first.begin() + 10), b(first.begin() + 10, first.begin() + 50),
            c(first.begin() + 50, first.end());
        w.tcp(client, radius, seq, TCP_ACK | TCP_PSH, a);
        w.tcp(client, radius, seq + 10, TCP_ACK | TCP_PSH, b);
        w.tcp(client, radius, seq + 10, TCP_ACK | TCP_PSH, b); // retransmission
        w.tcp(client, radius, seq + 50, TCP_ACK | TCP_PSH, c);
        seq += static_cast<std::uint32_t>(first.size());
        // The second message's segments out of order.
        Bytes d(second.begin(), second.begin() + 30), e(second.begin() + 30, second.end());
        w.tcp(client, radius, seq + 30, TCP_ACK | TCP_PSH, e);
        w.tcp(client, radius, seq, TCP_ACK | TCP_PSH, d);
    }
    {
        CaptureWriter w(dir + "/tcp-merged.pcap", Link::ethernet);
        Bytes all = first;
        all.insert(all.end(), second.begin(), second.end());
        all.insert(all.end(), third.begin(), third.begin() + 20);
        w.tcp(client, radius, 5000, TCP_SYN, {});
        w.tcp(client, radius, 5001, TCP_ACK | TCP_PSH, all);
        w.tcp(client, radius, static_cast<std::uint32_t>(5001 + all.size()), TCP_ACK | TCP_PSH,
              Bytes(third.begin() + 20, third.end()));
        Bytes reply = accessAccept(60).bytes();
        w.tcp(radius, client, 9000, TCP_SYN | TCP_ACK, {});
        w.tcp(radius, client, 9001, TCP_ACK | TCP_PSH, reply);
    }
}

void malformed(const std::string& dir) {
    CaptureWriter w(dir + "/malformed.pcap", Link::ethernet);
    // An invalid NAS-Port, an unknown type, then a truncated last attribute.
    RadiusMessage bad(1, 70, 70);
    bad.text(1, "mallory").attribute(5, {0, 0, 1}).attribute(200, {1, 2}).raw({79, 40, 1, 2, 3});
    w.udp(nas, server, bad.bytes());
    // Length announces more than was sent: no attribute list.
    RadiusMessage longer(1, 71, 71);
    longer.text(1, "x");
    w.udp(nas, server, longer.bytesWithLength(200));
    // Texts that try to drive a terminal, and invalid UTF-8.
    RadiusMessage hostile(2, 72, 72);
    hostile.text(18, "\x1b[2J\x1b]0;owned\x07 red\x1b[31m")
        .text(18, "abc\xe2\x80\xae"
                  "fed")
        .attribute(18, {0xff, 0xfe});
    w.udp(server, nas, hostile.bytes());
    // Too short to be RADIUS.
    w.udp(nas, server, {1, 2, 3, 4, 5});
    // Code 0 with a length octet of 1.
    RadiusMessage odd(0, 73, 73);
    odd.raw({1, 1, 0, 0});
    w.udp(nas, server, odd.bytes());
}

void cutOff(const std::string& dir) {
    std::string path = dir + "/cut-off.pcap";
    {
        CaptureWriter w(path, Link::ethernet);
        w.udp(nas, server, accessRequest(80, "ivan").bytes());
        w.udp(server, nas, accessAccept(80).bytes());
    }
    // Drop the last 30 octets: the second record ends early.
    std::filesystem::resize_file(path, std::filesystem::file_size(path) - 30);
}

void hexSample(const std::string& dir) {
    Bytes m = accessRequest(42, "alice").bytes();
    std::ofstream out(dir + "/access-request.hex");
    for (auto b : m) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02x", b);
        out << hex;
    }
    out << "\n";
}

// Where the benchmark's messages go: over UDP as they were sent, or over RADIUS/TLS.
class BenchCarrier {
public:
    explicit BenchCarrier(CaptureWriter& writer, RadsecWriter* radsec = nullptr)
        : writer_(writer), radsec_(radsec) {}
    void udp(const Endpoint& from, const Endpoint& to, const Bytes& message) {
        if (!radsec_) {
            writer_.udp(from, to, message);
            return;
        }
        // A NAS keeps one connection: its address picks it.
        const bool request = to.port == 1812 || to.port == 1813;
        const Bytes& client = (request ? from : to).address;
        radsec_->send((std::size_t{client[client.size() - 2]} << 8) | client.back(), request,
                      message);
    }
    void advance(double seconds) { writer_.advance(seconds); }

private:
    CaptureWriter& writer_;
    RadsecWriter* radsec_;
};

// A mix like a busy authentication and accounting server: EAP and PAP exchanges,
// accounting with 20 to 40 attributes, vendor-specific and tunnel attributes, IPv6.
void benchMix(std::uint64_t count, BenchCarrier& w) {
    std::uint64_t written = 0;
    for (std::uint64_t round = 0; written < count; ++round) {
        auto id = static_cast<std::uint8_t>(round);
        Endpoint client{ipv4(10, static_cast<std::uint8_t>(round >> 16),
                             static_cast<std::uint8_t>(round >> 8),
                             static_cast<std::uint8_t>(round)),
                        static_cast<std::uint16_t>(1024 + round % 60000)};
        switch (round % 5) {
        case 0: {
            RadiusMessage r =
                accessRequest(id, "user" + std::to_string(round % 1000) + "@example.net");
            r.attribute(79, eapIdentity(id, "user@example.net")).attribute(80, Bytes(16, 0));
            w.udp(client, server, r.bytes());
            RadiusMessage c(11, id, static_cast<std::uint32_t>(round));
            c.attribute(79, Bytes(60, 7)).text(24, "state").attribute(80, Bytes(16, 0));
            w.udp(server, client, c.bytes());
            written += 2;
            break;
        }
        case 1: {
            w.udp(client, server, accessRequest(id, "pap-user").bytes());
            RadiusMessage a = accessAccept(id);
            a.vendor(9, 1, "shell:priv-lvl=15")
                .attribute(64, {1, 0, 0, 3})
                .attribute(65, {1, 0, 0, 1})
                .attribute(81, {1, '2', '0'});
            w.udp(server, client, a.bytes());
            written += 2;
            break;
        }
        default: {
            std::uint32_t status = static_cast<std::uint32_t>(round % 3) + 1;
            RadiusMessage a = accountingRequest(id, status == 3 ? 3 : status,
                                                static_cast<std::uint32_t>(round % 5000));
            a.vendor(14823, 1, "employee")
                .vendor(9, 1, "audit-session-id=0a0b0c0d")
                .attribute(97, {0, 64, 0x20, 0x01, 0x0d, 0xb8, 0, 1, 0, 0});
            Endpoint acct{server.address, 1813};
            w.udp(client, acct, a.bytes());
            w.udp(acct, client, RadiusMessage(5, id, static_cast<std::uint32_t>(round)).bytes());
            written += 2;
        }
        }
        w.advance(0.0005);
    }
}

void benchCapture(std::uint64_t count, const std::string& path) {
    CaptureWriter writer(path, Link::ethernet);
    BenchCarrier carrier(writer);
    benchMix(count, carrier);
}

// The same mix over RADIUS/TLS, with its key log in PATH.keys: one connection for about
// every 2,500 messages, at least eight (tshark's time grows with the square of a
// connection's length, which would measure that alone).
void radsecBenchCapture(std::uint64_t count, const std::string& path) {
    CaptureWriter writer(path, Link::ethernet);
    RadsecWriter radsec(writer, path + ".keys",
                        std::max<std::size_t>(8, static_cast<std::size_t>(count / 2500)));
    BenchCarrier carrier(writer, &radsec);
    benchMix(count, carrier);
}

// Traffic that leaves state behind in a reader: first IP fragments whose datagrams never
// complete, TCP connections that each carry the start of a message that never ends, and
// requests that are never answered. Every one from another client.
void floodCapture(const std::string& kind, std::uint64_t count, const std::string& path) {
    CaptureWriter w(path, Link::ethernet);
    for (std::uint64_t i = 0; i < count; ++i) {
        Endpoint client{ipv4(10, static_cast<std::uint8_t>(i >> 16),
                             static_cast<std::uint8_t>(i >> 8), static_cast<std::uint8_t>(i)),
                        static_cast<std::uint16_t>(1024 + i % 60000)};
        const auto id = static_cast<std::uint8_t>(i);
        if (kind == "fragments") {
            RadiusMessage r = accessRequest(id, "user@example.net");
            r.attribute(79, Bytes(900, 7)); // an EAP message that needs fragments
            w.udp(client, server, r.bytes(), 512, 1);
        } else if (kind == "tcp") {
            Bytes start = accessRequest(id, "user@example.net").bytes();
            start.resize(10);
            Endpoint tcpServer{server.address, 1812};
            w.tcp(client, tcpServer, 1000, 0x18, start); // PSH ACK
        } else if (kind == "requests") {
            w.udp(client, server, accessRequest(id, "user@example.net").bytes());
        } else {
            throw std::runtime_error("--flood wants fragments, tcp or requests, got " + kind);
        }
        w.advance(0.00001);
    }
}

} // namespace

int main(int argc, char** argv) {
    try {
        if (argc == 4 && std::string(argv[1]) == "--bench") {
            benchCapture(std::strtoull(argv[2], nullptr, 10), argv[3]);
            return 0;
        }
        if (argc == 4 && std::string(argv[1]) == "--bench-radsec") {
            radsecBenchCapture(std::strtoull(argv[2], nullptr, 10), argv[3]);
            return 0;
        }
        if (argc == 5 && std::string(argv[1]) == "--flood") {
            floodCapture(argv[2], std::strtoull(argv[3], nullptr, 10), argv[4]);
            return 0;
        }
        if (argc != 2) {
            std::fprintf(stderr, "usage: make-samples DIR | make-samples --bench COUNT FILE | "
                                 "make-samples --bench-radsec COUNT FILE (and FILE.keys) | "
                                 "make-samples --flood fragments|tcp|requests COUNT FILE\n");
            return 1;
        }
        std::string dir = argv[1];
        std::filesystem::create_directories(dir);
        authentication(dir);
        accountingExchange(dir);
        mergedTaps(dir);
        exchanges(dir);
        dynamicAuthorization(dir);
        ipv6AndLinks(dir);
        vendorAndTunnel(dir);
        fragmented(dir);
        tcpStreams(dir);
        malformed(dir);
        cutOff(dir);
        hexSample(dir);
        secretsSample(dir);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make-samples: %s\n", error.what());
        return 1;
    }
}
