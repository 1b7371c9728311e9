#include "RadsecWriter.hpp"

#include "TlsRecordSealer.hpp"

#include <algorithm>
#include <fstream>
#include <stdexcept>

namespace tools {

namespace {

constexpr std::uint16_t suiteId = 0xC02F; // TLS_ECDHE_RSA_WITH_AES_128_GCM_SHA256
constexpr std::uint8_t changeCipherSpec = 20, handshake = 22, applicationData = 23;

// A hello with one cipher suite and no extensions: all a reader needs of it.
Bytes hello(std::uint8_t type, const capture::TlsRandom& random) {
    Bytes body;
    body.reserve(48);
    tlstest::appendBigEndian(body, 0x0303, 2);
    body.insert(body.end(), random.begin(), random.end());
    body.push_back(0); // no session id
    if (type == 1)
        body.insert(body.end(), {0x00, 0x02}); // one offered suite
    tlstest::appendBigEndian(body, suiteId, 2);
    if (type == 1)
        body.push_back(1); // one compression method
    body.push_back(0);     // none
    return tlstest::handshakeMessage(type, body);
}

} // namespace

struct RadsecWriter::Connection {
    Endpoint nas, server;
    std::uint32_t nasSequence = 1000, serverSequence = 9000; // TCP
    capture::TlsTrafficKeys nasKeys, serverKeys;
    std::uint64_t nasRecords = 0, serverRecords = 0; // TLS sequence numbers
};

RadsecWriter::RadsecWriter(CaptureWriter& writer, const std::string& keyLogPath,
                           std::size_t connections)
    : writer_(writer), connections_(std::max<std::size_t>(connections, 1)) {
    const auto* suite = capture::findTlsCipherSuite(suiteId);
    std::ofstream keyLog(keyLogPath);
    if (!keyLog)
        throw std::runtime_error("cannot write " + keyLogPath);
    for (std::size_t i = 0; i < connections_.size(); ++i) {
        Connection& connection = connections_[i];
        connection.nas = {
            ipv4(10, 20, static_cast<std::uint8_t>(i >> 8), static_cast<std::uint8_t>(i + 1)),
            static_cast<std::uint16_t>(40000 + i % 20000)};
        connection.server = {ipv4(192, 0, 2, 1), 2083};
        capture::TlsRandom clientRandom, serverRandom;
        clientRandom.fill(0x10);
        serverRandom.fill(0x80);
        // Each connection's own random and secret.
        for (std::size_t octet = 0; octet < 4; ++octet) {
            clientRandom[octet] = static_cast<std::uint8_t>(i >> (8 * octet));
            serverRandom[octet] = static_cast<std::uint8_t>(i >> (8 * octet));
        }
        Bytes master(48, 0x40);
        std::copy_n(clientRandom.begin(), 4, master.begin());
        connection.nasKeys = *capture::tls12TrafficKeys(*suite, zem::ByteView(master), clientRandom,
                                                        serverRandom, true);
        connection.serverKeys = *capture::tls12TrafficKeys(*suite, zem::ByteView(master),
                                                           clientRandom, serverRandom, false);
        keyLog << "CLIENT_RANDOM " << zem::ByteView(std::span(clientRandom)).hexRepresentation()
               << ' ' << zem::ByteView(master).hexRepresentation() << '\n';
        record(connection, true, handshake, hello(1, clientRandom));
        record(connection, false, handshake, hello(2, serverRandom));
        for (bool fromClient : {true, false}) {
            record(connection, fromClient, changeCipherSpec, {1});
            send(i, fromClient, tlstest::handshakeMessage(20, Bytes(12, 0xF1)));
        }
    }
}

RadsecWriter::~RadsecWriter() = default;

void RadsecWriter::record(Connection& connection, bool fromClient, std::uint8_t type,
                          const Bytes& fragment) {
    Bytes octets;
    tlstest::appendRecord(octets, type, 0x0303, fragment);
    auto& sequence = fromClient ? connection.nasSequence : connection.serverSequence;
    writer_.tcp(fromClient ? connection.nas : connection.server,
                fromClient ? connection.server : connection.nas, sequence, 0x18, octets);
    sequence += static_cast<std::uint32_t>(octets.size());
}

void RadsecWriter::send(std::size_t index, bool request, const Bytes& message) {
    Connection& connection = connections_[index % connections_.size()];
    const auto* suite = capture::findTlsCipherSuite(suiteId);
    auto& records = request ? connection.nasRecords : connection.serverRecords;
    // The Finished sent at the start is the one handshake message in a protected record.
    const std::uint8_t type = records == 0 ? handshake : applicationData;
    const Bytes fragment =
        tlstest::seal(*suite, request ? connection.nasKeys : connection.serverKeys,
                      capture::TlsRecordProtection::tls12, false, records++, type, 0x0303, message);
    record(connection, request, type, fragment);
}

} // namespace tools
