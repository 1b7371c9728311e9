// RadsecWriter: carries RADIUS messages over RADIUS/TLS connections in a capture, for the
// decryption benchmark: NAS connections to port 2083, each with a TLS 1.2 handshake
// (hellos, ChangeCipherSpec, Finished) and AES-128-GCM records, one RADIUS message per
// record, requests from the NAS and answers from the server. The secrets go to a key log,
// as SSLKEYLOGFILE would have them. Everything is deterministic.
#pragma once

#include "SampleWriter.hpp"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tools {

class RadsecWriter {
public:
    /// Writes the handshakes of `connections` connections to `writer` and their secrets to
    /// `keyLogPath`.
    RadsecWriter(CaptureWriter& writer, const std::string& keyLogPath, std::size_t connections);
    ~RadsecWriter();
    RadsecWriter(const RadsecWriter&) = delete;
    RadsecWriter& operator=(const RadsecWriter&) = delete;

    /// Sends `message` on connection `connection` (modulo their number), from the NAS when
    /// `request`, else from the server.
    void send(std::size_t connection, bool request, const Bytes& message);

private:
    struct Connection;
    void record(Connection& connection, bool fromClient, std::uint8_t type, const Bytes& fragment);
    CaptureWriter& writer_;
    std::vector<Connection> connections_;
};

} // namespace tools
