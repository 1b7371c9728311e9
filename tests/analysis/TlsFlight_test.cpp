// TLS records as EAP carries them: handshake messages read across records, alerts,
// what follows a ChangeCipherSpec counted as encrypted, and octets that are no TLS said
// in a note rather than refused.
#include "tls/TlsFlight.hpp"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using Octets = std::vector<std::uint8_t>;

Octets operator+(Octets a, const Octets& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Octets be(std::size_t value, int octets) {
    Octets out;
    for (int i = octets - 1; i >= 0; --i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    return out;
}

Octets record(std::uint8_t type, const Octets& body, std::uint16_t version = 0x0303) {
    return Octets{type} + be(version, 2) + be(body.size(), 2) + body;
}

Octets handshake(std::uint8_t type, const Octets& body) {
    return Octets{type} + be(body.size(), 3) + body;
}

Octets extension(std::uint16_t type, const Octets& data) {
    return be(type, 2) + be(data.size(), 2) + data;
}

const Octets random32(32, 0xaa);

Octets clientHello() {
    const Octets name = {'r', 'a', 'd', 'i', 'u', 's', '.', 'e', 'x'};
    const auto sni = extension(0, be(name.size() + 3, 2) + Octets{0} + be(name.size(), 2) + name);
    const auto versions = extension(43, Octets{4} + be(0x0304, 2) + be(0x0303, 2));
    const auto extensions = sni + versions;
    return handshake(1, be(0x0303, 2) + random32 + Octets{0} + be(4, 2) + be(0x1301, 2) +
                            be(0xc030, 2) + Octets{1, 0} + be(extensions.size(), 2) + extensions);
}

Octets serverHello13() {
    const auto extensions = extension(43, be(0x0304, 2));
    return handshake(2, be(0x0303, 2) + random32 + Octets{0} + be(0x1301, 2) + Octets{0} +
                            be(extensions.size(), 2) + extensions);
}

// The flight in one line: records (type/version[/enc]), handshake types, the server
// name, versions, alert and notes.
std::string summary(const analysis::TlsFlight& flight) {
    std::string out = "records";
    for (const auto& r : flight.records) {
        out += ' ' + std::to_string(r.contentType);
        if (r.encrypted)
            out += "/enc";
    }
    out += "; handshakes";
    for (const auto& h : flight.handshakes) {
        out += ' ' + std::to_string(h.type);
        if (h.serverName)
            out += "(" + *h.serverName + ")";
        for (const auto suite : h.cipherSuites)
            out += " s" + std::to_string(suite);
    }
    if (const auto version = flight.chosenVersion())
        out += "; chose " + std::to_string(*version);
    if (const auto alert = flight.alert())
        out += "; alert " + std::to_string(alert->level) + "/" + std::to_string(alert->description);
    for (const auto& note : flight.notes)
        out += "; " + note;
    return out;
}

} // namespace

TEST(TlsFlight, ReadsWhatTravelsInClear) {
    const auto hello = clientHello();
    const Octets firstHalf(hello.begin(), hello.begin() + 20),
        secondHalf(hello.begin() + 20, hello.end());
    struct Case {
        const char* what;
        Octets octets;
        std::string expected;
    } cases[] = {
        {"a ClientHello", record(22, hello, 0x0301),
         "records 22; handshakes 1(radius.ex) s4865 s49200"},
        {"a handshake message across two records", record(22, firstHalf) + record(22, secondHalf),
         "records 22 22; handshakes 1(radius.ex) s4865 s49200"},
        {"TLS 1.3 chosen in supported_versions, then encrypted records",
         record(22, serverHello13()) + record(20, {1}) + record(23, Octets(40, 7)),
         "records 22 20 23/enc; handshakes 2 s4865; chose 772"},
        {"a fatal alert", record(21, {2, 48}), "records 21; handshakes; alert 2/48"},
        {"handshake and alert after ChangeCipherSpec are encrypted",
         record(20, {1}) + record(22, Octets(40, 1)) + record(21, Octets(26, 1)),
         "records 20 22/enc 21/enc; handshakes"},
        {"octets that are no record", record(21, {1, 0}) + Octets{0x47, 0x45, 0x54, 0x20, 0x2f},
         "records 21; handshakes; alert 1/0; Octets that are no TLS record at octet 7"},
        {"a record cut short", Octets{22, 3, 3, 0, 50, 1, 2},
         "records 22; handshakes; A record cut short at octet 0"},
        {"a header cut short", Octets{22, 3},
         "records; handshakes; A record header cut short at octet 0"},
        {"a handshake message cut short", record(22, firstHalf),
         "records 22; handshakes; A handshake message cut short"},
        {"a length beyond any record", Octets{23, 3, 3, 0xff, 0xff},
         "records; handshakes; Octets that are no TLS record at octet 0"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(summary(analysis::readTlsFlight(zem::ByteView(c.octets))), c.expected) << c.what;
}
