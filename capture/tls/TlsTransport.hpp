// TlsTransport: RADIUS over TLS (RFC 6614) and over DTLS (RFC 7360) down to the RADIUS
// messages inside. TCP streams are cut into TLS records, UDP datagrams read as DTLS
// records; each connection's records go to its TlsConnection, and the application data
// it decrypts is cut into RADIUS messages by their Length field, each direction on its
// own, so that a message may span records and a record hold several messages.
//
// A message names as its frames, besides those of the records that carried it, the
// frames of every record of its connection since the message before it (the handshake's
// before the first): writing a message's frames (-w, Export) then writes a capture that
// decrypts again with the same key log.
//
// Connections are bounded in count and expire after a timeout in capture time. Each
// connection whose records could not be read is noted once, for the caller to say.
#pragma once

#include "ByteView.hpp"
#include "FramedOctets.hpp"
#include "LruTable.hpp"
#include "Reassembly.hpp"
#include "TlsConnection.hpp"
#include "TlsKeyLog.hpp"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace capture {

/// What the connections report shows of a TLS or DTLS connection.
struct TlsConnectionSummary {
    enum class Ending { open, closed, reset, timedOut };
    StreamKey clientToServer{};
    bool datagram = false;
    double firstTime = 0, lastTime = 0;
    std::optional<std::uint16_t> version, cipherSuite; // chosen
    std::optional<TlsClientHello> offered;
    // Each the server's, then the client's.
    std::array<std::uint64_t, 2> records{}, octets{}, messages{};
    std::array<zem::ByteBuffer, 2> certificates; // the first each sent, DER
    std::optional<TlsAlertSeen> alert;
    TlsProblem problem = TlsProblem::none;
    Ending ending = Ending::open; // a FIN, a RST, or quiet past the timeout
};

struct TlsNote {
    StreamKey clientToServer;
    bool datagram = false;
    TlsProblem problem = TlsProblem::none;
};

class TlsTransport {
public:
    static constexpr std::size_t maximumConnections = 4096;
    /// Record frames a connection keeps for its next message (a connection without keys
    /// has none: its first ones, the handshake, are the ones kept).
    static constexpr std::size_t maximumRecordFrames = 4096;
    static constexpr double timeoutSeconds = 300;

    /// `keys` must outlive the transport; more secrets may be added to it as it runs.
    explicit TlsTransport(const TlsKeyLog& keys) : keys_(&keys) {}

    /// A RADIUS message found inside, sent in the direction `key` names; it and the
    /// frames that carried it live only during the call.
    using MessageSink = std::function<void(const StreamKey& key, zem::ByteView message,
                                           std::span<const std::uint64_t> frames)>;

    /// A TCP segment of a connection to or from `serverPort`.
    void segment(const StreamKey& key, const TCPSegment& segment, double time, std::uint64_t frame,
                 std::uint16_t serverPort, const MessageSink& sink);
    /// A UDP datagram of a DTLS connection to or from `serverPort`.
    void datagram(const StreamKey& key, zem::ByteView payload, double time, std::uint64_t frame,
                  std::uint16_t serverPort, const MessageSink& sink);

    /// What the records completed by the last segment() or datagram() call turned out to
    /// be (a frame's summary line), when asked for.
    void collectRecordEvents(bool collect) { collectsEvents_ = collect; }
    const std::vector<TlsRecordEvent>& lastRecordEvents() const { return events_; }
    /// The TLS (not DTLS) handshake and alert records of that call that were sent in
    /// clear, as sent: for the frame's detail tree.
    zem::ByteView lastClearRecords() const { return zem::ByteView(clearRecords_); }

    /// Connections that met a problem since the last call, each once.
    std::vector<TlsNote> takeNotes();
    /// Every connection seen, in the order they began (at most maximumSummaries of the
    /// ended ones are kept; summariesLeftOut() counts the others).
    std::vector<TlsConnectionSummary> summaries() const;
    static constexpr std::size_t maximumSummaries = 100000;
    std::uint64_t summariesLeftOut() const { return summariesLeftOut_; }
    std::uint64_t decryptedRecords() const { return decryptedRecords_; }
    /// Octets of records or of decrypted data that could not be framed.
    std::uint64_t droppedOctets() const { return records_.droppedOctets() + droppedPlaintext_; }

private:
    struct Connection {
        TlsConnection tls;
        std::array<FramedOctets, 2> plaintext;   // the server's, then the client's
        TlsConnectionSummary summary;            // its counts; the rest filled when asked
        std::vector<std::uint64_t> recordFrames; // since the last message, in order
        bool noted = false;
    };
    static TlsConnectionSummary summaryOf(const Connection& connection);
    void ended(const Connection& connection, TlsConnectionSummary::Ending ending);
    void record(const StreamKey& key, std::uint8_t type, std::uint16_t version,
                std::uint64_t sequence, zem::ByteView fragment, double time,
                std::span<const std::uint64_t> frames, std::uint16_t serverPort, bool datagram,
                const MessageSink& sink);
    Connection& connectionFor(const StreamKey& key, bool clientHello, double time,
                              std::uint16_t serverPort, bool datagram);

    const TlsKeyLog* keys_;
    TCPReassembler records_{tlsRecordFraming};
    zem::LruTable<StreamKey, Connection, StreamKeyHash> connections_{maximumConnections};
    std::vector<TlsNote> notes_;
    std::vector<std::uint64_t> messageFrames_;
    std::uint64_t decryptedRecords_ = 0, droppedPlaintext_ = 0;
    std::vector<TlsConnectionSummary> endedSummaries_;
    bool collectsEvents_ = false;
    std::vector<TlsRecordEvent> events_;
    zem::ByteBuffer clearRecords_;
    std::uint64_t summariesLeftOut_ = 0;
};

} // namespace capture
