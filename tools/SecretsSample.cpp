#include "SecretsSample.hpp"

#include "RadiusSigning.hpp"

#include <algorithm>
#include <fstream>
#include <string_view>

namespace tools {

namespace {

const Endpoint server{ipv4(192, 0, 2, 1), 1812};
const Endpoint accountingServer{ipv4(192, 0, 2, 1), 1813};
const Endpoint coaServer{ipv4(192, 0, 2, 1), 40000};
const Endpoint nas{ipv4(192, 0, 2, 10), 50000};
const Endpoint nasCoaPort{ipv4(192, 0, 2, 10), 3799};
const Endpoint labNas{ipv4(192, 0, 2, 77), 50001};
const Endpoint campusNas{ipv4(198, 51, 100, 7), 50002};
const Endpoint v6Nas{ipv6("2001:db8::10"), 50003};
const Endpoint v6Server{ipv6("2001:db8::1"), 1812};
const Endpoint wrongSecretNas{ipv4(203, 0, 113, 5), 50004};
const Endpoint unknownNas{ipv4(100, 64, 0, 5), 50005};

constexpr std::string_view labNetworkSecret = "testing123";
constexpr std::string_view labHostSecret = "lab-secret";
constexpr std::string_view campusSecret = "campus secret";
constexpr std::string_view v6Secret = "v6-secret";
constexpr std::string_view realSecret = "real-secret"; // what 203.0.113.5 uses
constexpr std::string_view unknownSecret = "nobody-knows";

constexpr std::uint8_t messageAuthenticator = 80;

Bytes mppeKey(std::uint8_t first) {
    Bytes key(32);
    for (std::size_t i = 0; i < key.size(); ++i)
        key[i] = static_cast<std::uint8_t>(first + i);
    return key;
}

Bytes vendorAttribute(std::uint32_t vendor, std::uint8_t type, const Bytes& value) {
    // Sized once: GCC 12 warns falsely of a vector that grows from a braced list.
    Bytes b(6 + value.size());
    b[0] = static_cast<std::uint8_t>(vendor >> 24);
    b[1] = static_cast<std::uint8_t>(vendor >> 16);
    b[2] = static_cast<std::uint8_t>(vendor >> 8);
    b[3] = static_cast<std::uint8_t>(vendor);
    b[4] = type;
    b[5] = static_cast<std::uint8_t>(value.size() + 2);
    std::copy(value.begin(), value.end(), b.begin() + 6);
    return b;
}

Bytes flipped(Bytes message, std::size_t at) {
    message.at(at) ^= 0x01;
    return message;
}

class Traffic {
public:
    explicit Traffic(CaptureWriter& w) : w_(w) {}

    void send(const Endpoint& from, const Endpoint& to, const Bytes& message) {
        w_.udp(from, to, message);
        w_.advance(0.002);
    }

    // An Access-Request with Message-Authenticator first and a hidden User-Password.
    Bytes accessRequest(std::uint8_t id, std::string_view secret, std::string_view password,
                        bool withMessageAuthenticator = true) {
        RadiusMessage m(1, id, ++seed_);
        const Bytes authenticator = authenticatorOf(m.bytes());
        if (withMessageAuthenticator)
            m.attribute(messageAuthenticator, Bytes(16, 0));
        m.text(1, "user" + std::to_string(id))
            .attribute(2, hiddenPassword(secret, authenticator, password))
            .text(32, "nas-1")
            .integer(5, id);
        return signedMessage(m.bytes(), secret);
    }

    // A response of `code` to `request`, Message-Authenticator first.
    Bytes response(std::uint8_t code, const Bytes& request, std::string_view secret,
                   RadiusMessage extra = RadiusMessage(0, 0, 0)) {
        RadiusMessage m(code, request[1], ++seed_);
        m.attribute(messageAuthenticator, Bytes(16, 0));
        const Bytes extraOctets = extra.bytes();
        m.raw(Bytes(extraOctets.begin() + 20, extraOctets.end()));
        return signedMessage(m.bytes(), secret, authenticatorOf(request));
    }

    void exchange(const Endpoint& client, const Endpoint& to, std::uint8_t id,
                  std::string_view secret, std::string_view password = "password") {
        const Bytes request = accessRequest(id, secret, password);
        send(client, to, request);
        send(to, client, response(2, request, secret));
    }

    std::uint32_t nextSeed() { return ++seed_; }

private:
    CaptureWriter& w_;
    std::uint32_t seed_ = 7000;
};

void writeCapture(const std::string& path) {
    CaptureWriter w(path, Link::ethernet);
    Traffic t(w);
    const std::string_view lab = labNetworkSecret;

    // Every kind of exchange, valid. The accept carries a tunnel password and MPPE keys.
    const Bytes request1 = t.accessRequest(1, lab, "password");
    t.send(nas, server, request1);
    {
        RadiusMessage extra(0, 0, 0);
        const Bytes ra = authenticatorOf(request1);
        Bytes tunnel{1};
        const Bytes hiddenTunnel =
            hiddenSalted(lab, ra, 0x8001, Bytes{'t', 'u', 'n', 'n', 'e', 'l', '-', 'p', 'w'});
        tunnel.insert(tunnel.end(), hiddenTunnel.begin(), hiddenTunnel.end());
        extra.attribute(6, {0, 0, 0, 2})
            .attribute(69, tunnel)
            .attribute(26, vendorAttribute(311, 16, hiddenSalted(lab, ra, 0x8002, mppeKey(0x10))))
            .attribute(26, vendorAttribute(311, 17, hiddenSalted(lab, ra, 0x8003, mppeKey(0x40))));
        t.send(server, nas, t.response(2, request1, lab, extra));
    }
    // Passwords of 1, 16, 17 and 128 octets; a reject and a challenge among the answers.
    const Bytes request2 = t.accessRequest(2, lab, "x");
    t.send(nas, server, request2);
    t.send(server, nas, t.response(3, request2, lab));
    const Bytes request3 = t.accessRequest(3, lab, std::string(16, 'p'));
    t.send(nas, server, request3);
    {
        RadiusMessage extra(0, 0, 0);
        extra.attribute(79, {1, 3, 0, 6, 13, 0x20}).text(24, "state-3");
        t.send(server, nas, t.response(11, request3, lab, extra));
    }
    t.exchange(nas, server, 4, lab, std::string(17, 'q'));
    t.exchange(nas, server, 5, lab, std::string(128, 'r'));
    // Status-Server, answered by Access-Accept.
    {
        RadiusMessage status(12, 6, t.nextSeed());
        status.attribute(messageAuthenticator, Bytes(16, 0));
        const Bytes request = signedMessage(status.bytes(), lab);
        t.send(nas, server, request);
        t.send(server, nas, t.response(2, request, lab));
    }
    // Accounting, CoA and Disconnect: computed request authenticators.
    {
        RadiusMessage accounting(4, 7, 0);
        accounting.integer(40, 1).text(44, "session-7").text(1, "user7");
        const Bytes request = signedMessage(accounting.bytes(), lab);
        t.send(nas, accountingServer, request);
        t.send(accountingServer, nas,
               signedMessage(RadiusMessage(5, 7, 0).bytes(), lab, authenticatorOf(request)));
        RadiusMessage coa(43, 8, 0);
        coa.text(1, "user7").text(44, "session-7").attribute(messageAuthenticator, Bytes(16, 0));
        const Bytes coaRequest = signedMessage(coa.bytes(), lab);
        t.send(coaServer, nasCoaPort, coaRequest);
        t.send(nasCoaPort, coaServer,
               signedMessage(RadiusMessage(44, 8, 0).bytes(), lab, authenticatorOf(coaRequest)));
        RadiusMessage disconnect(40, 9, 0);
        disconnect.text(1, "user7").text(44, "session-7");
        const Bytes disconnectRequest = signedMessage(disconnect.bytes(), lab);
        t.send(coaServer, nasCoaPort, disconnectRequest);
        RadiusMessage nak(42, 9, 0);
        nak.integer(101, 503);
        t.send(nasCoaPort, coaServer,
               signedMessage(nak.bytes(), lab, authenticatorOf(disconnectRequest)));
    }

    // Altered on the way: an attribute octet, an authenticator octet, a
    // Message-Authenticator octet. Only the altered message checks invalid.
    const Bytes request10 = t.accessRequest(10, lab, "password");
    t.send(nas, server, flipped(request10, request10.size() - 1));
    t.send(server, nas, t.response(2, request10, lab));
    {
        RadiusMessage accounting(4, 11, 0);
        accounting.integer(40, 2).text(44, "session-11");
        const Bytes request = flipped(signedMessage(accounting.bytes(), lab), 4);
        t.send(nas, accountingServer, request);
        t.send(accountingServer, nas,
               signedMessage(RadiusMessage(5, 11, 0).bytes(), lab, authenticatorOf(request)));
    }
    const Bytes request12 = t.accessRequest(12, lab, "password");
    t.send(nas, server, request12);
    t.send(server, nas, flipped(t.response(2, request12, lab), 22)); // inside the first MA

    // Malformed Message-Authenticators: twice, 17 octets, missing beside EAP-Message.
    {
        RadiusMessage twice(1, 13, t.nextSeed());
        twice.attribute(messageAuthenticator, Bytes(16, 0))
            .text(1, "user13")
            .attribute(messageAuthenticator, Bytes(16, 0));
        t.send(nas, server, signedMessage(twice.bytes(), lab));
        RadiusMessage shortOne(1, 14, t.nextSeed());
        shortOne.attribute(messageAuthenticator, Bytes(15, 0)).text(1, "user14");
        t.send(nas, server, shortOne.bytes());
        RadiusMessage eap(1, 15, t.nextSeed());
        eap.text(1, "user15").attribute(79, {2, 1, 0, 10, 1, 'u', 's', 'e', 'r', '1'});
        t.send(nas, server, eap.bytes());
    }
    // A response whose request was never captured.
    {
        const Bytes unseen = t.accessRequest(16, lab, "password");
        t.send(server, nas, t.response(2, unseen, lab));
    }
    // The identifier used again with a new authenticator: the answer is to the latest.
    {
        const Bytes first = t.accessRequest(17, lab, "password");
        t.send(nas, server, first);
        w.advance(5);
        const Bytes second = t.accessRequest(17, lab, "password");
        t.send(nas, server, second);
        t.send(server, nas, t.response(2, second, lab));
    }
    // Open to the forgery: no Message-Authenticator, Proxy-State beside none, one not first.
    {
        const Bytes bare = t.accessRequest(18, lab, "password", false);
        t.send(nas, server, bare);
        RadiusMessage reject(3, 18, t.nextSeed());
        reject.text(18, "Denied");
        t.send(server, nas, signedMessage(reject.bytes(), lab, authenticatorOf(bare)));
        RadiusMessage proxied(1, 19, t.nextSeed());
        proxied.text(1, "user19").attribute(33, {'p', 'r', 'o', 'x', 'y'});
        t.send(nas, server, proxied.bytes());
        const Bytes request = t.accessRequest(20, lab, "password");
        t.send(nas, server, request);
        RadiusMessage late(2, 20, t.nextSeed());
        late.text(18, "Welcome").attribute(messageAuthenticator, Bytes(16, 0));
        t.send(server, nas, signedMessage(late.bytes(), lab, authenticatorOf(request)));
    }

    // Other clients: a host inside the lab network with a secret of its own, a campus
    // network, an IPv6 client, one whose secret the files get wrong, one they do not know.
    t.exchange(labNas, server, 30, labHostSecret);
    t.exchange(campusNas, server, 31, campusSecret);
    t.exchange(v6Nas, v6Server, 32, v6Secret);
    t.exchange(wrongSecretNas, server, 33, realSecret);
    t.exchange(wrongSecretNas, server, 34, realSecret);
    t.exchange(unknownNas, server, 35, unknownSecret);
}

void writeText(const std::string& path, std::string_view text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

} // namespace

void secretsSample(const std::string& dir) {
    writeCapture(dir + "/secrets.pcap");
    writeText(dir + "/secrets.txt",
              "# The shared secrets of the clients in secrets.pcap.\n"
              "192.0.2.0/24      testing123\n"
              "192.0.2.77        lab-secret     # a host with a secret of its own\n"
              "198.51.100.0/24   campus secret\n"
              "2001:db8::/64     v6-secret\n"
              "203.0.113.5       not-the-secret\n");
    writeText(dir + "/clients.conf",
              "# The same secrets as secrets.txt, as FreeRADIUS keeps them.\n"
              "client lab-network {\n"
              "\tipaddr = 192.0.2.0/24\n"
              "\tsecret = testing123\n"
              "}\n"
              "client lab-host { ipaddr = 192.0.2.77  secret = \"lab-secret\" }\n"
              "client campus {\n"
              "\tipaddr = 198.51.100.0\n"
              "\tnetmask = 24\n"
              "\tsecret = \"campus secret\"\n"
              "\tlimit {\n"
              "\t\tmax_connections = 16\n"
              "\t}\n"
              "}\n"
              "client v6 {\n"
              "\tipv6addr = 2001:db8::/64\n"
              "\tsecret = 'v6-secret'\n"
              "}\n"
              "client 203.0.113.5 {\n"
              "\tsecret = not-the-secret\n"
              "}\n");
}

} // namespace tools
