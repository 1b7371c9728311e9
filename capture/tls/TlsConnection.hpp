// TlsConnection: one TLS or DTLS connection seen from the wire, both directions. It reads
// the hellos in clear, looks the connection's secrets up in the key log by the client's
// random, follows each direction from clear to protected records (a ChangeCipherSpec in
// TLS 1.2, the ServerHello and then each side's Finished in TLS 1.3, KeyUpdate after
// that), and hands every decrypted record of application data to its caller.
//
// Why records could not be read (no key log, no key for this connection, a cipher suite
// not decrypted here, a record that fails authentication) is kept as the connection's
// first problem, to be said once; it never stops the connection's other records.
#pragma once

#include "ByteView.hpp"
#include "TlsHello.hpp"
#include "TlsKeyLog.hpp"
#include "TlsNumbers.hpp"
#include "TlsRecordDecryptor.hpp"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

namespace capture {

enum class TlsProblem {
    none,
    noKeyLog,           // records are protected and no key log was given
    noKey,              // the key log has no secrets for this connection's random
    startNotSeen,       // the hellos are not in the capture
    unsupportedSuite,   // a cipher suite whose records are not decrypted here
    recordNotDecrypted, // a record failed authentication: a wrong key, a damaged record
};

/// Words for a problem, as said once per connection.
std::string_view tlsProblemText(TlsProblem problem);

/// What one record turned out to be, as a summary line names it: a handshake message (a
/// record may hold several, or end one that began in earlier records), a
/// ChangeCipherSpec, an alert, or what could not be read.
struct TlsRecordEvent {
    enum class Kind : std::uint8_t {
        handshake,         // `code`: its type
        helloRetryRequest, // a ServerHello that asks for another ClientHello
        changeCipherSpec,
        alert, // `code`: its level, `detail`: its description
        encryptedAlert,
        encryptedHandshake, // a protected handshake record not decrypted
        applicationData,
        record, // a record as sent, before what it held: `code` its content type (for
                // TLS 1.3's protected ones the type inside, when decrypted), `detail` 1
                // when that type is not known (TLS 1.3's protected, not decrypted)
    };
    Kind kind = Kind::applicationData;
    std::uint8_t code = 0, detail = 0;
    std::uint16_t version = 0; // a record's
    bool operator==(const TlsRecordEvent&) const = default;
};

struct TlsAlertSeen {
    std::uint8_t level = 0, description = 0;
    bool fromClient = false;
};

class TlsConnection {
public:
    TlsConnection() = default;
    /// `keys` must outlive the connection; an empty key log means none was given.
    TlsConnection(const TlsKeyLog* keys, bool datagram) : keys_(keys), datagram_(datagram) {}

    using ApplicationSink = std::function<void(bool fromClient, zem::ByteView data)>;

    /// One record as sent. `sequence` is DTLS's epoch and sequence number (ignored for
    /// TLS, whose records are numbered by their order). What the record turned out to be
    /// is appended to `events` when given.
    void record(bool fromClient, std::uint8_t type, std::uint16_t version, std::uint64_t sequence,
                zem::ByteView fragment, const ApplicationSink& sink,
                std::vector<TlsRecordEvent>* events = nullptr);

    TlsProblem problem() const { return problem_; }
    /// The first certificate each side sent (its own), as far as it could be read: in
    /// clear before TLS 1.3, decrypted in TLS 1.3. The server's, then the client's.
    const std::array<zem::ByteBuffer, 2>& certificates() const { return certificates_; }
    /// What the (last) ClientHello offered.
    const std::optional<TlsClientHello>& clientHello() const { return clientHello_; }
    /// The first alert either side sent that could be read.
    const std::optional<TlsAlertSeen>& alert() const { return alert_; }
    /// Whether both hellos were read: a ClientHello after that starts another connection.
    bool hellosRead() const { return clientRandom_ && version_; }
    /// Whether a side's next record is read in clear.
    bool inClear(bool fromClient) const {
        return directions_[fromClient ? 1 : 0].stage == Stage::clear;
    }
    std::optional<std::uint16_t> version() const { return version_; }
    std::optional<std::uint16_t> cipherSuite() const { return suiteId_; }
    std::uint64_t decryptedRecords() const { return decrypted_; }

private:
    enum class Stage { clear, handshake, application };
    struct Direction {
        Stage stage = Stage::clear;
        std::optional<TlsRecordDecryptor> decryptor;
        std::uint64_t sequence = 0;
        zem::ByteBuffer handshake;     // handshake octets not yet whole messages
        zem::ByteBuffer trafficSecret; // TLS 1.3's current one
    };

    void readRecord(bool fromClient, std::uint8_t type, std::uint16_t version,
                    std::uint64_t sequence, zem::ByteView fragment, const ApplicationSink& sink);
    // Appends to the events record() was given, if any.
    void said(TlsRecordEvent event);
    void handshakeOctets(bool fromClient, zem::ByteView octets);
    void handshakeMessage(bool fromClient, std::uint8_t type, zem::ByteView body);
    void certificateMessage(bool fromClient, zem::ByteView body);
    void alertRecord(bool fromClient, zem::ByteView octets);
    void protect(bool fromClient, Stage stage);
    void applyTls13Secret(Direction& direction, zem::ByteView secret);
    void noteProblem(TlsProblem problem);

    const TlsKeyLog* keys_ = nullptr;
    bool datagram_ = false;
    std::array<Direction, 2> directions_; // the server's, then the client's
    std::optional<TlsRandom> clientRandom_, serverRandom_;
    std::optional<TlsClientHello> clientHello_;
    std::optional<std::uint16_t> version_, suiteId_;
    bool encryptThenMac_ = false;
    TlsProblem problem_ = TlsProblem::none;
    std::array<zem::ByteBuffer, 2> certificates_;
    std::optional<TlsAlertSeen> alert_;
    std::uint64_t decrypted_ = 0;
    std::vector<TlsRecordEvent>* events_ = nullptr; // during record(), when asked
};

} // namespace capture
