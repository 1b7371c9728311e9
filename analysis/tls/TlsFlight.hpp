// TlsFlight: what a run of TLS records (RFC 5246, RFC 8446) shows in clear, as EAP-TLS
// and the methods built on it carry them: each record's content type, version and
// length; the handshake messages (hellos with their versions, cipher suites, server name
// and extensions, certificates as sent, the CAs a CertificateRequest names); alerts; and
// which records are encrypted (application data, and what follows a ChangeCipherSpec).
// Octets that are no TLS record end the reading with a note: never a failure.
//
//   auto flight = readTlsFlight(joinedFragments);
//   for (const auto& record : flight.records) ...; flight.handshakes; flight.notes
#pragma once

#include "ByteView.hpp"
#include "TlsNumbers.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace analysis {

namespace tlsContent = zem::tlsContent;
namespace tlsHandshake = zem::tlsHandshake;

struct TlsAlert {
    std::uint8_t level = 0;
    std::uint8_t description = 0;
};

struct TlsHandshake {
    std::uint8_t type = 0;
    std::uint32_t length = 0;
    std::optional<std::uint16_t> version;    // a hello's (legacy) version field
    std::vector<std::uint16_t> cipherSuites; // offered by a ClientHello, chosen by a ServerHello
    std::vector<std::uint16_t> extensions;   // their types, in order
    std::vector<std::uint16_t> supportedVersions;        // the supported_versions extension's
    std::optional<std::string> serverName;               // the server_name extension's host name
    std::vector<zem::ByteBuffer> certificates;           // DER, in the order sent
    std::vector<zem::ByteBuffer> certificateAuthorities; // a CertificateRequest's DER names
};

struct TlsRecord {
    std::uint8_t contentType = 0;
    std::uint16_t version = 0;
    std::uint16_t length = 0;
    bool encrypted = false;
    bool typeHidden = false;       // TLS 1.3 protected: only an opaque type is seen
    std::optional<TlsAlert> alert; // a clear alert
};

struct TlsFlight {
    std::vector<TlsRecord> records;
    std::vector<TlsHandshake> handshakes; // in the order sent, across records
    std::vector<std::string> notes;

    /// The version a ServerHello chose: its supported_versions, else its version field.
    std::optional<std::uint16_t> chosenVersion() const;
    /// The cipher suite a ServerHello chose.
    std::optional<std::uint16_t> chosenCipherSuite() const;
    /// The first clear alert.
    std::optional<TlsAlert> alert() const;
};

TlsFlight readTlsFlight(zem::ByteView octets);

} // namespace analysis
