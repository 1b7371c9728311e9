// TlsKeyLog: the secrets a TLS client or server wrote in the NSS key-log format
// (SSLKEYLOGFILE): one "LABEL CLIENT-RANDOM SECRET" line each, in hexadecimal, keyed by
// the ClientHello's random. TLS 1.2 and DTLS 1.2 need the master secret (CLIENT_RANDOM);
// TLS 1.3 the handshake and first application traffic secrets. A pcapng file's Decryption
// Secrets Blocks carry the same text.
//
//   TlsKeyLog keys;
//   keys.addText(fileText);
//   if (const TlsSecrets* secrets = keys.find(clientRandom)) ...
#pragma once

#include "ByteView.hpp"

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace capture {

using TlsRandom = std::array<std::uint8_t, 32>;

struct TlsSecrets {
    zem::ByteBuffer masterSecret;                         // TLS 1.2, DTLS 1.2
    zem::ByteBuffer clientHandshake, serverHandshake;     // TLS 1.3
    zem::ByteBuffer clientApplication, serverApplication; // TLS 1.3, generation 0
};

class TlsKeyLog {
public:
    /// Adds every line of a key log; lines with other labels (exporter, early traffic)
    /// are kept out, lines that are no key-log line are counted.
    void addText(std::string_view text);
    const TlsSecrets* find(const TlsRandom& clientRandom) const;
    std::size_t connections() const { return secrets_.size(); }
    std::size_t unreadableLines() const { return unreadable_; }
    bool empty() const { return secrets_.empty(); }

private:
    std::map<TlsRandom, TlsSecrets> secrets_;
    std::size_t unreadable_ = 0;
};

/// A key-log file's text, checked to hold secrets; the error names the file and why it
/// cannot be used.
struct TlsKeyLogFile {
    std::optional<std::string> text;
    std::string error;
};
TlsKeyLogFile readTlsKeyLogFile(const std::string& path);

} // namespace capture
