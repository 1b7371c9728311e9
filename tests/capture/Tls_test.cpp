#include "CapturePipeline.hpp"
#include "CaptureSource.hpp"
#include "ClaimedPorts.hpp"
#include "TlsHello.hpp"
#include "TlsKeyLog.hpp"
#include "TlsRecordSealer.hpp"
#include "TlsTransport.hpp"

#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sstream>

using namespace capture;

namespace {

std::string hex(zem::ByteView octets) {
    return octets.hexRepresentation();
}

std::string sampleText(const std::string& name) {
    std::ifstream in(std::string(RADIUS_SAMPLES_DIR) + "/" + name);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

TEST(TlsKeyLog, KeepsTheSecretsDecryptionUsesAndCountsWhatItCannotRead) {
    const std::string random(64, 'a'), other(64, 'b');
    const std::string text =
        "# SSL/TLS secrets log file\r\n"
        "\n"
        "CLIENT_RANDOM " +
        random + " " + std::string(96, '1') + "\n" + "CLIENT_HANDSHAKE_TRAFFIC_SECRET " + other +
        " " + std::string(64, '2') + "\r\n" + "SERVER_TRAFFIC_SECRET_0 " + other + " " +
        std::string(64, '3') + "\n" + "EXPORTER_SECRET " + other + " " + std::string(64, '4') +
        "\n" + "CLIENT_RANDOM " + random.substr(2) + " 00\n" + // short random
        "CLIENT_RANDOM " + random + " 0g\n" +                  // not hexadecimal
        "SOMETHING_ELSE " + random + " 00\n" + "CLIENT_RANDOM " + random + " 00 extra";
    TlsKeyLog keys;
    keys.addText(text);
    EXPECT_EQ(keys.connections(), 2u);
    EXPECT_EQ(keys.unreadableLines(), 4u);
    TlsRandom a, b;
    a.fill(0xAA);
    b.fill(0xBB);
    ASSERT_NE(keys.find(a), nullptr);
    EXPECT_EQ(keys.find(a)->masterSecret, zem::ByteBuffer(48, 0x11));
    ASSERT_NE(keys.find(b), nullptr);
    EXPECT_EQ(keys.find(b)->clientHandshake, zem::ByteBuffer(32, 0x22));
    EXPECT_EQ(keys.find(b)->serverApplication, zem::ByteBuffer(32, 0x33));
    EXPECT_TRUE(keys.find(b)->masterSecret.empty());
}

// Each suite's records, sealed apart from the decryptor, open; a changed octet, another
// sequence number or another type does not.
TEST(TlsRecordDecryptor, OpensEverySuitesRecordsAndNothingElse) {
    struct Case {
        std::uint16_t suite;
        TlsRecordProtection protection;
        bool encryptThenMac;
    };
    const Case cases[] = {
        {0xC02F, TlsRecordProtection::tls12, false}, // AES-128-GCM
        {0xC030, TlsRecordProtection::tls12, false}, // AES-256-GCM
        {0xCCA8, TlsRecordProtection::tls12, false}, // ChaCha20-Poly1305
        {0xC013, TlsRecordProtection::tls12, false}, // AES-128-CBC, HMAC-SHA1
        {0xC013, TlsRecordProtection::tls12, true},  //   encrypt-then-MAC
        {0xC027, TlsRecordProtection::tls12, false}, // AES-128-CBC, HMAC-SHA256
        {0xC028, TlsRecordProtection::tls12, true},  // AES-256-CBC, HMAC-SHA384
        {0x1301, TlsRecordProtection::tls13, false}, {0x1302, TlsRecordProtection::tls13, false},
        {0x1303, TlsRecordProtection::tls13, false},
    };
    TlsRandom clientRandom{}, serverRandom{};
    clientRandom.fill(1);
    serverRandom.fill(2);
    const zem::ByteBuffer secret(48, 0x5A);
    for (const auto& row : cases) {
        SCOPED_TRACE(row.suite);
        const auto* suite = findTlsCipherSuite(row.suite);
        ASSERT_NE(suite, nullptr);
        const bool tls13 = row.protection == TlsRecordProtection::tls13;
        auto keys = tls13 ? tls13TrafficKeys(*suite, zem::ByteView(secret).slice(0, 32))
                          : tls12TrafficKeys(*suite, zem::ByteView(secret), clientRandom,
                                             serverRandom, true);
        ASSERT_TRUE(keys);
        for (std::size_t length : {0u, 1u, 15u, 16u, 100u}) {
            zem::ByteBuffer plain(length);
            for (std::size_t i = 0; i < length; ++i)
                plain[i] = static_cast<std::uint8_t>(i * 7);
            auto fragment = tlstest::seal(*suite, *keys, row.protection, row.encryptThenMac, 5, 23,
                                          0x0303, plain);
            TlsRecordDecryptor decryptor(*suite, *keys, row.protection, row.encryptThenMac);
            auto opened = decryptor.decrypt(5, 23, 0x0303, zem::ByteView(fragment));
            ASSERT_TRUE(opened) << length;
            EXPECT_EQ(opened->octets, plain);
            EXPECT_EQ(opened->contentType, 23);
            EXPECT_FALSE(decryptor.decrypt(6, 23, 0x0303, zem::ByteView(fragment)));
            // TLS 1.3 authenticates the outer type too, though it is always 23.
            EXPECT_FALSE(decryptor.decrypt(5, 22, 0x0303, zem::ByteView(fragment)));
            for (std::size_t at : {std::size_t{0}, fragment.size() / 2, fragment.size() - 1}) {
                auto damaged = fragment;
                damaged[at] ^= 0x01;
                EXPECT_FALSE(decryptor.decrypt(5, 23, 0x0303, zem::ByteView(damaged))) << at;
            }
            EXPECT_FALSE(decryptor.decrypt(5, 23, 0x0303, zem::ByteView(fragment).slice(0, 7)));
        }
    }
}

namespace {

zem::ByteBuffer radiusMessage(std::uint8_t identifier, std::size_t length) {
    zem::ByteBuffer message(length, 0x41);
    message[0] = 1;
    message[1] = identifier;
    message[2] = static_cast<std::uint8_t>(length >> 8);
    message[3] = static_cast<std::uint8_t>(length);
    return message;
}

void appendRecord(zem::ByteBuffer& stream, std::uint8_t type, const zem::ByteBuffer& fragment) {
    tlstest::appendRecord(stream, type, 0x0303, fragment);
}

zem::ByteBuffer handshake(std::uint8_t type, const zem::ByteBuffer& body) {
    return tlstest::handshakeMessage(type, body);
}

// A TLS 1.2 connection with AES-128-GCM whose client sends, after its Finished: two RADIUS
// messages in one record, one message across two records, a damaged record, one more.
struct SyntheticConnection {
    TlsRandom clientRandom{}, serverRandom{};
    zem::ByteBuffer master = zem::ByteBuffer(48, 0x6B);
    zem::ByteBuffer client, server; // the streams
    std::string keyLog;

    SyntheticConnection() {
        clientRandom.fill(0xC1);
        serverRandom.fill(0x5E);
        const auto* suite = findTlsCipherSuite(0xC02F);
        zem::ByteBuffer hello{0x03, 0x03};
        hello.insert(hello.end(), clientRandom.begin(), clientRandom.end());
        hello.insert(hello.end(), {0x00, 0x00, 0x02, 0xC0, 0x2F, 0x01, 0x00, 0x00, 0x00});
        appendRecord(client, 22, handshake(1, hello));
        zem::ByteBuffer serverHello{0x03, 0x03};
        serverHello.insert(serverHello.end(), serverRandom.begin(), serverRandom.end());
        serverHello.insert(serverHello.end(), {0x00, 0xC0, 0x2F, 0x00, 0x00, 0x00});
        appendRecord(server, 22, handshake(2, serverHello));
        auto keys =
            *tls12TrafficKeys(*suite, zem::ByteView(master), clientRandom, serverRandom, true);
        std::uint64_t sequence = 0;
        auto sealed = [&](std::uint8_t type, const zem::ByteBuffer& plain) {
            return tlstest::seal(*suite, keys, TlsRecordProtection::tls12, false, sequence++, type,
                                 0x0303, plain);
        };
        appendRecord(client, 20, {1});
        appendRecord(client, 22, sealed(22, handshake(20, zem::ByteBuffer(12, 0xF1))));
        auto a = radiusMessage(1, 20), b = radiusMessage(2, 30), c = radiusMessage(3, 60),
             d = radiusMessage(4, 20), e = radiusMessage(5, 25);
        zem::ByteBuffer both = a;
        both.insert(both.end(), b.begin(), b.end());
        appendRecord(client, 23, sealed(23, both));
        appendRecord(client, 23, sealed(23, zem::ByteBuffer(c.begin(), c.begin() + 10)));
        appendRecord(client, 23, sealed(23, zem::ByteBuffer(c.begin() + 10, c.end())));
        auto damaged = sealed(23, d);
        damaged[12] ^= 0xFF;
        appendRecord(client, 23, damaged);
        appendRecord(client, 23, sealed(23, e));
        keyLog = "CLIENT_RANDOM " + hex(zem::ByteView(std::span(clientRandom))) + " " +
                 hex(zem::ByteView(master)) + "\n";
    }
};

struct Found {
    std::vector<std::uint8_t> identifiers;
    std::map<std::uint8_t, std::vector<std::uint64_t>> frames;
};

// Sends the server's stream whole, then the client's in segments of `segmentSize`.
Found replay(const SyntheticConnection& connection, TlsTransport& transport,
             std::size_t segmentSize) {
    static const auto address = *zem::IPAddress::parse("192.0.2.1");
    static const auto server = *zem::IPAddress::parse("192.0.2.2");
    const StreamKey toServer{address, server, 40000, 2083}, toClient{server, address, 2083, 40000};
    Found found;
    auto sink = [&](const StreamKey& key, zem::ByteView message,
                    std::span<const std::uint64_t> frames) {
        EXPECT_EQ(key.destinationPort, 2083);
        found.identifiers.push_back(*message.at(1));
        found.frames[*message.at(1)].assign(frames.begin(), frames.end());
    };
    std::uint64_t frame = 0;
    // The ClientHello first, so that the client is known by it.
    transport.segment(toServer,
                      {40000, 2083, 100, false, false, false,
                       zem::ByteView(connection.client).slice(0, 5 + 4 + 41)},
                      0, ++frame, 2083, sink);
    transport.segment(toClient,
                      {2083, 40000, 900, false, false, false, zem::ByteView(connection.server)}, 0,
                      ++frame, 2083, sink);
    for (std::size_t at = 50; at < connection.client.size(); at += segmentSize)
        transport.segment(toServer,
                          {40000, 2083, static_cast<std::uint32_t>(100 + at), false, false, false,
                           zem::ByteView(connection.client).slice(at, segmentSize)},
                          0, ++frame, 2083, sink);
    return found;
}

} // namespace

TEST(TlsTransport, CutsRadiusMessagesOutOfDecryptedRecordsWhereverTheyLie) {
    const SyntheticConnection connection;
    for (std::size_t segmentSize : {std::size_t{7}, std::size_t{40}, std::size_t{1000}}) {
        SCOPED_TRACE(segmentSize);
        TlsKeyLog keys;
        keys.addText(connection.keyLog);
        TlsTransport transport(keys);
        auto found = replay(connection, transport, segmentSize);
        // The damaged record's message is lost, and said once; the next record decrypts.
        EXPECT_EQ(found.identifiers, (std::vector<std::uint8_t>{1, 2, 3, 5}));
        auto notes = transport.takeNotes();
        ASSERT_EQ(notes.size(), 1u);
        EXPECT_EQ(notes[0].problem, TlsProblem::recordNotDecrypted);
        EXPECT_EQ(notes[0].clientToServer.destinationPort, 2083);
        EXPECT_TRUE(transport.takeNotes().empty());
        // The first message names the hellos' frames too.
        EXPECT_EQ(found.frames[1].front(), 1u);
        EXPECT_EQ(found.frames[1][1], 2u);
        // The message across two records names every segment that carried them.
        if (segmentSize == 1000)
            EXPECT_EQ(found.frames[3], (std::vector<std::uint64_t>{3}));
        else
            EXPECT_GT(found.frames[3].size(), 1u);
    }
}

TEST(TlsTransport, SaysOnceWhyAConnectionCannotBeRead) {
    const SyntheticConnection connection;
    struct Case {
        std::string keyLog;
        TlsProblem problem;
    };
    const Case cases[] = {
        {"", TlsProblem::noKeyLog},
        {"CLIENT_RANDOM " + std::string(64, 'e') + " " + std::string(96, '0') + "\n",
         TlsProblem::noKey},
        {"CLIENT_RANDOM " + hex(zem::ByteView(std::span(connection.clientRandom))) + " " +
             std::string(96, '0') + "\n",
         TlsProblem::recordNotDecrypted},
    };
    for (const auto& row : cases) {
        TlsKeyLog keys;
        keys.addText(row.keyLog);
        TlsTransport transport(keys);
        auto found = replay(connection, transport, 64);
        EXPECT_TRUE(found.identifiers.empty());
        auto notes = transport.takeNotes();
        ASSERT_EQ(notes.size(), 1u);
        EXPECT_EQ(notes[0].problem, row.problem);
        EXPECT_FALSE(tlsProblemText(row.problem).empty());
    }
}

namespace {

void appendDtlsRecord(zem::ByteBuffer& datagram, std::uint8_t type, std::uint64_t epochAndSequence,
                      const zem::ByteBuffer& fragment) {
    datagram.push_back(type);
    tlstest::appendBigEndian(datagram, 0xFEFD, 2);
    tlstest::appendBigEndian(datagram, epochAndSequence, 8);
    tlstest::appendBigEndian(datagram, fragment.size(), 2);
    datagram.insert(datagram.end(), fragment.begin(), fragment.end());
}

zem::ByteBuffer dtlsHandshake(std::uint8_t type, std::uint16_t messageSequence,
                              const zem::ByteBuffer& body) {
    zem::ByteBuffer message{type};
    tlstest::appendBigEndian(message, body.size(), 3);
    tlstest::appendBigEndian(message, messageSequence, 2);
    tlstest::appendBigEndian(message, 0, 3); // fragment offset
    tlstest::appendBigEndian(message, body.size(), 3);
    message.insert(message.end(), body.begin(), body.end());
    return message;
}

} // namespace

// RADIUS over DTLS: records in datagrams, numbered by their epoch and sequence number,
// which may come out of order, twice or without the ChangeCipherSpec before them; a
// ClientHello answered by a HelloVerifyRequest comes again with its cookie.
TEST(TlsTransport, ReadsRadiusOverDtls) {
    TlsRandom clientRandom, serverRandom;
    clientRandom.fill(0xD1);
    serverRandom.fill(0xD2);
    const zem::ByteBuffer master(48, 0x77);
    const auto* suite = findTlsCipherSuite(0xC02B);
    auto clientKeys =
        *tls12TrafficKeys(*suite, zem::ByteView(master), clientRandom, serverRandom, true);
    auto serverKeys =
        *tls12TrafficKeys(*suite, zem::ByteView(master), clientRandom, serverRandom, false);
    auto sealed = [&](bool fromClient, std::uint64_t epochAndSequence, std::uint8_t type,
                      const zem::ByteBuffer& plain) {
        return tlstest::seal(*suite, fromClient ? clientKeys : serverKeys,
                             TlsRecordProtection::tls12, false, epochAndSequence, type, 0xFEFD,
                             plain);
    };
    constexpr std::uint64_t epoch1 = std::uint64_t{1} << 48;
    zem::ByteBuffer hello{0xFE, 0xFD};
    hello.insert(hello.end(), clientRandom.begin(), clientRandom.end());
    hello.insert(hello.end(), {0x00, 0x00, 0x00, 0x02, 0xC0, 0x2B, 0x01, 0x00});
    zem::ByteBuffer cookieHello = hello;
    cookieHello[35] = 4; // the cookie the server asked for, after the empty session id
    cookieHello.insert(cookieHello.begin() + 36, {9, 9, 9, 9});
    zem::ByteBuffer serverHello{0xFE, 0xFD};
    serverHello.insert(serverHello.end(), serverRandom.begin(), serverRandom.end());
    serverHello.insert(serverHello.end(), {0x00, 0xC0, 0x2B, 0x00});

    std::vector<std::pair<bool, zem::ByteBuffer>> datagrams(8);
    appendDtlsRecord(datagrams[0].second, 22, 0, dtlsHandshake(1, 0, hello));
    datagrams[0].first = true;
    appendDtlsRecord(datagrams[1].second, 22, 0, dtlsHandshake(3, 0, {0xFE, 0xFF, 4, 9, 9, 9, 9}));
    appendDtlsRecord(datagrams[2].second, 22, 1, dtlsHandshake(1, 1, cookieHello));
    datagrams[2].first = true;
    appendDtlsRecord(datagrams[3].second, 22, 1, dtlsHandshake(2, 1, serverHello));
    // The client's ChangeCipherSpec and Finished, then two requests in one datagram.
    appendDtlsRecord(datagrams[4].second, 20, 2, {1});
    appendDtlsRecord(datagrams[4].second, 22, epoch1,
                     sealed(true, epoch1, 22, dtlsHandshake(20, 2, zem::ByteBuffer(12, 0xF0))));
    datagrams[4].first = true;
    appendDtlsRecord(datagrams[5].second, 23, epoch1 | 2,
                     sealed(true, epoch1 | 2, 23, radiusMessage(2, 20)));
    appendDtlsRecord(datagrams[5].second, 23, epoch1 | 1,
                     sealed(true, epoch1 | 1, 23, radiusMessage(1, 24)));
    datagrams[5].first = true;
    datagrams[6] = datagrams[5]; // sent again
    // The server's ChangeCipherSpec was lost: its epoch says the answer is protected.
    appendDtlsRecord(datagrams[7].second, 23, epoch1 | 5,
                     sealed(false, epoch1 | 5, 23, radiusMessage(1, 20)));

    TlsKeyLog keys;
    keys.addText("CLIENT_RANDOM " + hex(zem::ByteView(std::span(clientRandom))) + " " +
                 hex(zem::ByteView(master)) + "\n");
    TlsTransport transport(keys);
    static const auto nas = *zem::IPAddress::parse("192.0.2.1");
    static const auto server = *zem::IPAddress::parse("192.0.2.2");
    const StreamKey toServer{nas, server, 40000, 2083}, toClient{server, nas, 2083, 40000};
    std::vector<std::pair<std::uint16_t, std::uint8_t>> found; // destination port, identifier
    std::vector<std::vector<std::uint64_t>> carried;
    std::uint64_t frame = 0;
    for (const auto& [fromClient, datagram] : datagrams)
        transport.datagram(fromClient ? toServer : toClient, zem::ByteView(datagram), 0, ++frame,
                           2083,
                           [&](const StreamKey& key, zem::ByteView message,
                               std::span<const std::uint64_t> frames) {
                               carried.emplace_back(frames.begin(), frames.end());
                               found.emplace_back(key.destinationPort, *message.at(1));
                           });
    EXPECT_EQ(found, (std::vector<std::pair<std::uint16_t, std::uint8_t>>{
                         {2083, 2}, {2083, 1}, {2083, 2}, {2083, 1}, {40000, 1}}));
    EXPECT_TRUE(transport.takeNotes().empty());
    // The first message names the handshake's frames too, so that its frames decrypt again.
    EXPECT_EQ(carried,
              (std::vector<std::vector<std::uint64_t>>{{1, 2, 3, 4, 5, 6}, {6}, {7}, {7}, {8}}));
}

namespace {

struct SampleRun {
    std::map<std::uint8_t, int> codes;
    std::set<std::string> transports;
    std::vector<TlsNote> notes;
    std::vector<TlsConnectionSummary> connections;
};

// A sample read through the pipeline, RADIUS claimed as usual, with a key log's text.
SampleRun readSample(const std::string& name, const std::string& keyLog) {
    testing_support::claimRadiusPorts();
    SampleRun run;
    CapturePipeline pipeline([&](const MessageOrigin& origin, zem::ByteView message) {
        ++run.codes[*message.at(0)];
        run.transports.emplace(zem::transportName(origin.transport));
    });
    if (!keyLog.empty())
        pipeline.addTlsSecrets(keyLog);
    auto source = CaptureSource::openFile(std::string(RADIUS_SAMPLES_DIR) + "/" + name);
    std::size_t taken = 0;
    CapturedPacket packet;
    while (source.next(packet) == CaptureSource::Next::packet) {
        pipeline.addTlsSecretsOf(source.decryptionSecrets(), taken);
        pipeline.frame(source.linkType(), packet.time, packet.bytes);
    }
    run.notes = pipeline.takeTlsNotes();
    run.connections = pipeline.tlsConnections();
    return run;
}

} // namespace

// The real captures: FreeRADIUS's answers to Python's ssl client, one connection per suite.
TEST(TlsTransport, ReadsEveryMessageOfTheRealCaptures) {
    struct Case {
        const char* capture;
        const char* keyLog;
        int connections;
    };
    const Case cases[] = {
        {"radsec-tls12.pcap", "radsec-tls12.keys", 6}, // GCM, ChaCha20, CBC SHA-1/256/384
        {"radsec-tls13.pcap", "radsec-tls13.keys", 3}, // after a HelloRetryRequest each
        {"radsec-tls13-secrets.pcapng", nullptr, 3},   // its own Decryption Secrets Block
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.capture);
        auto run = readSample(row.capture, row.keyLog ? sampleText(row.keyLog) : "");
        const int n = row.connections;
        // Per connection: four Access-Requests, an Accounting-Request, a Status-Server;
        // four accepts (Status-Server's too), one reject, one accounting answer.
        EXPECT_EQ(run.codes, (std::map<std::uint8_t, int>{
                                 {1, 4 * n}, {2, 4 * n}, {3, n}, {4, n}, {5, n}, {12, n}}));
        EXPECT_EQ(run.transports, std::set<std::string>{"TLS"});
        EXPECT_TRUE(run.notes.empty());
        ASSERT_EQ(run.connections.size(), static_cast<std::size_t>(n));
        for (const auto& connection : run.connections) {
            EXPECT_EQ(connection.clientToServer.destinationPort, 2083);
            EXPECT_EQ(connection.messages, (std::array<std::uint64_t, 2>{6, 6}));
            EXPECT_EQ(connection.ending, TlsConnectionSummary::Ending::closed);
            EXPECT_EQ(connection.problem, TlsProblem::none);
            ASSERT_TRUE(connection.offered);
            EXPECT_EQ(connection.offered->serverName, "radius.example.test");
            // TLS 1.3 sends its certificates encrypted: read with the keys too.
            EXPECT_FALSE(connection.certificates[0].empty());
            EXPECT_FALSE(connection.certificates[1].empty());
        }
    }
}

TEST(TlsTransport, AHandshakeOnlyCaptureIsSaidOnceAndDecodesNothing) {
    auto run = readSample("radsec-proxy.pcap", "");
    EXPECT_TRUE(run.codes.empty());
    ASSERT_EQ(run.notes.size(), 1u);
    EXPECT_EQ(run.notes[0].problem, TlsProblem::noKeyLog);
    // What the handshake shows in clear: version, suite, both certificates.
    ASSERT_EQ(run.connections.size(), 1u);
    EXPECT_EQ(run.connections[0].version, 0x0303);
    EXPECT_EQ(run.connections[0].cipherSuite, 0xC030);
    // radsecproxy offers 28 suites, no server name, no supported_versions.
    ASSERT_TRUE(run.connections[0].offered);
    EXPECT_EQ(run.connections[0].offered->cipherSuites.size(), 28u);
    EXPECT_EQ(run.connections[0].offered->versions, std::vector<std::uint16_t>{0x0303});
    EXPECT_TRUE(run.connections[0].offered->serverName.empty());
    EXPECT_FALSE(run.connections[0].certificates[0].empty());
    EXPECT_FALSE(run.connections[0].certificates[1].empty());
    // Another connection's keys do not open it.
    run = readSample("radsec-tls13.pcap", sampleText("radsec-tls12.keys"));
    EXPECT_TRUE(run.codes.empty());
    ASSERT_EQ(run.notes.size(), 3u);
    EXPECT_EQ(run.notes[0].problem, TlsProblem::noKey);
}

TEST(TlsTransport, KeepsTheFirstAlertInClear) {
    static const auto nas = *zem::IPAddress::parse("192.0.2.1");
    static const auto server = *zem::IPAddress::parse("192.0.2.2");
    const SyntheticConnection connection;
    TlsKeyLog keys;
    TlsTransport transport(keys);
    const StreamKey toServer{nas, server, 40000, 2083}, toClient{server, nas, 2083, 40000};
    const auto none = [](const StreamKey&, zem::ByteView, std::span<const std::uint64_t>) {};
    transport.segment(toServer,
                      {40000, 2083, 1, false, false, false,
                       zem::ByteView(connection.client).slice(0, 5 + 4 + 43)},
                      0, 1, 2083, none);
    zem::ByteBuffer alerts;
    appendRecord(alerts, 21, {2, 48}); // fatal unknown_ca
    appendRecord(alerts, 21, {1, 0});  // then a close_notify
    transport.segment(toClient, {2083, 40000, 1, false, true, false, zem::ByteView(alerts)}, 1, 2,
                      2083, none);
    auto summaries = transport.summaries();
    ASSERT_EQ(summaries.size(), 1u);
    ASSERT_TRUE(summaries[0].alert);
    EXPECT_EQ(summaries[0].alert->level, 2);
    EXPECT_EQ(summaries[0].alert->description, 48);
    EXPECT_FALSE(summaries[0].alert->fromClient);
    EXPECT_EQ(summaries[0].ending, TlsConnectionSummary::Ending::closed);
    EXPECT_EQ(summaries[0].records, (std::array<std::uint64_t, 2>{2, 1}));
}

// tshark decrypts the same records with the same key logs (it shows what is inside as
// data): every frame's RADIUS messages are exactly its decrypted octets.
TEST(TlsTransport, DecryptsWhatTsharkDecrypts) {
    std::map<std::string, std::map<std::uint64_t, std::string>> expected; // capture, frame
    std::ifstream peers(std::string(RADIUS_PEERS_DIR) + "/radsec-tshark.tsv");
    std::string line;
    while (std::getline(peers, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        std::string capture, frame, data;
        std::getline(fields, capture, '\t');
        std::getline(fields, frame, '\t');
        std::getline(fields, data);
        std::erase(data, ',');
        expected[capture][std::stoull(frame)] = data;
    }
    ASSERT_EQ(expected.size(), 2u);
    for (const auto& [capture, frames] : expected) {
        SCOPED_TRACE(capture);
        const std::string keyLog = capture.substr(0, capture.size() - 4) + "keys";
        testing_support::claimRadiusPorts();
        std::map<std::uint64_t, std::string> ours;
        CapturePipeline pipeline([&](const MessageOrigin& origin, zem::ByteView message) {
            ours[origin.frame] += hex(message);
        });
        pipeline.addTlsSecrets(sampleText(keyLog));
        auto source = CaptureSource::openFile(std::string(RADIUS_SAMPLES_DIR) + "/" + capture);
        CapturedPacket packet;
        while (source.next(packet) == CaptureSource::Next::packet)
            pipeline.frame(source.linkType(), packet.time, packet.bytes);
        EXPECT_EQ(ours, frames);
    }
}

// What a ClientHello offered, for the connections report; a hello cut after its session
// id still gives the random, which decryption needs.
TEST(TlsHello, ReadsWhatTheClientOffered) {
    auto clientHello = [](const zem::ByteBuffer& extensions, bool cutAfterSessionId = false) {
        zem::ByteBuffer body;
        tlstest::appendBigEndian(body, 0x0303, 2);
        body.resize(body.size() + 32, 0xAB); // inserted, GCC 12 warns falsely (-Warray-bounds)
        body.push_back(0);                   // session id
        if (cutAfterSessionId)
            return body;
        body.insert(body.end(), {0x00, 0x04, 0x13, 0x01, 0xC0, 0x2F}); // two suites
        body.insert(body.end(), {0x01, 0x00});                         // no compression
        tlstest::appendBigEndian(body, extensions.size(), 2);
        body.insert(body.end(), extensions.begin(), extensions.end());
        return body;
    };
    const zem::ByteBuffer serverName{0x00, 0x00, 0x00, 0x0E, 0x00, 0x0C, 0x00, 0x00, 0x09,
                                     'r',  'a',  'd',  'i',  'u',  's',  '.',  'e',  'x'};
    const zem::ByteBuffer alpn{0x00, 0x10, 0x00, 0x0E, 0x00, 0x0C, 0x06, 'r', 'a',
                               'd',  's',  'e',  'c',  0x04, 'h',  't',  't', 'p'};
    const zem::ByteBuffer versions{0x00, 0x2B, 0x00, 0x05, 0x04, 0x03, 0x04, 0x03, 0x03};
    struct Case {
        zem::ByteBuffer body;
        std::vector<std::uint16_t> versions;
        std::size_t suites;
        std::string serverName;
        std::vector<std::string> protocols;
    };
    zem::ByteBuffer all = serverName;
    all.insert(all.end(), alpn.begin(), alpn.end());
    all.insert(all.end(), versions.begin(), versions.end());
    const Case cases[] = {
        {clientHello({}), {0x0303}, 2, "", {}},
        {clientHello(all), {0x0304, 0x0303}, 2, "radius.ex", {"radsec", "http"}},
        {clientHello({0x00, 0x00, 0x00, 0x09, 0x00}), {0x0303}, 2, "", {}}, // cut extension
        {clientHello({}, true), {0x0303}, 0, "", {}},
    };
    for (const auto& row : cases) {
        auto hello = readClientHello(zem::ByteView(row.body), false);
        ASSERT_TRUE(hello);
        EXPECT_EQ(hello->random[0], 0xAB);
        EXPECT_EQ(hello->versions, row.versions);
        EXPECT_EQ(hello->cipherSuites.size(), row.suites);
        EXPECT_EQ(hello->serverName, row.serverName);
        EXPECT_EQ(hello->protocols, row.protocols);
    }
    EXPECT_FALSE(readClientHello(zem::ByteView(clientHello({})).slice(0, 20), false));
}
