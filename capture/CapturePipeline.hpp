// CapturePipeline: turns captured frames into RADIUS messages on claimed ports. It
// decodes the link layer, IP (reassembling fragments), UDP, and TCP (reassembling each
// stream and framing messages by their Length field), and hands every payload found on
// a port that the ports controller says is claimed to its sink. On a port claimed for
// RADIUS over TLS or DTLS it hands over the messages it can decrypt with its key log.
#pragma once

#include "ByteView.hpp"
#include "CaptureFileReader.hpp"
#include "MessageOrigin.hpp"
#include "NetworkLayers.hpp"
#include "Reassembly.hpp"
#include "TlsKeyLog.hpp"
#include "TlsTransport.hpp"

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

namespace capture {

using zem::MessageOrigin;

class CapturePipeline {
public:
    using Sink = std::function<void(const MessageOrigin&, zem::ByteView payload)>;
    /// A frame of RADIUS over TLS or DTLS whose records need a line of their own (a
    /// handshake, an alert, data that was not read), with what the records were.
    /// `clearRecords`: its handshake and alert records sent in clear (TLS only).
    using TlsFrameSink = std::function<void(
        const MessageOrigin&, std::span<const TlsRecordEvent> events, zem::ByteView clearRecords)>;
    explicit CapturePipeline(Sink sink) : sink_(std::move(sink)) {}

    /// One captured frame of a capture with the given link type; `wireLength` is its
    /// length on the wire when the capture cut it short (0: as captured).
    void frame(int linkType, double time, zem::ByteView bytes, std::uint32_t wireLength = 0);
    std::uint64_t frames() const { return frame_; }

    /// What reassembly had to give up on.
    struct Losses {
        std::uint64_t datagramsGivenUp = 0; // IP datagrams whose fragments never completed
        std::uint64_t streamsGivenUp = 0;   // TCP streams dropped with their state
        std::uint64_t octetsUnframed = 0;   // TCP octets that could not start a message
    };
    Losses losses() const {
        return {fragments_.givenUp(), streams_.givenUp(), streams_.droppedOctets()};
    }

    /// Adds TLS secrets in the key-log format (a --tls-keylog file, a capture's Decryption
    /// Secrets Block); connections already seen are read with them from their next record.
    void addTlsSecrets(std::string_view keyLogText) { tlsKeys_.addText(keyLogText); }
    /// Adds the TLS key logs among a pcapng file's Decryption Secrets Blocks from
    /// `blocks[taken]` on, as they are read: before the packets after them. Asked before
    /// every frame, and inline, since nearly always none is new.
    void addTlsSecretsOf(const std::vector<DecryptionSecrets>& blocks, std::size_t& taken) {
        for (; taken < blocks.size(); ++taken)
            if (blocks[taken].type == DecryptionSecrets::tlsKeyLog)
                addTlsSecrets(
                    std::string_view(reinterpret_cast<const char*>(blocks[taken].data.data()),
                                     blocks[taken].data.size()));
    }
    const TlsKeyLog& tlsKeys() const { return tlsKeys_; }
    /// Each message is handed over with the frame it ended in (MessageOrigin::carrying),
    /// for showing the layers below it.
    void describeCarryingFrames(bool describe) { describesFrames_ = describe; }
    /// Hands each TLS or DTLS frame that needs a line of its own to `sink`.
    void showTlsFrames(TlsFrameSink sink) {
        tlsFrameSink_ = std::move(sink);
        tls_.collectRecordEvents(static_cast<bool>(tlsFrameSink_));
    }
    /// TLS and DTLS connections whose records could not be read, each once.
    std::vector<TlsNote> takeTlsNotes() { return tls_.takeNotes(); }
    std::uint64_t decryptedTlsRecords() const { return tls_.decryptedRecords(); }
    /// Every TLS and DTLS connection seen so far, for the connections report.
    std::vector<TlsConnectionSummary> tlsConnections() const { return tls_.summaries(); }
    std::uint64_t tlsConnectionsLeftOut() const { return tls_.summariesLeftOut(); }

private:
    void transport(const IPPacket& ip, double time, std::span<const std::uint64_t> carriers);
    // Hands the frame's TLS records on, unless the RADIUS messages they `carried` say all.
    void tlsFrame(const MessageOrigin& origin, bool carried);
    // Where `message` lies in the current frame, when it lies there whole.
    std::optional<std::uint32_t> offsetInFrame(zem::ByteView message) const;

    Sink sink_;
    FragmentReassembler fragments_;
    TCPReassembler streams_;
    TlsKeyLog tlsKeys_;
    TlsTransport tls_{tlsKeys_};
    std::uint64_t frame_ = 0;
    std::optional<double> firstTime_;
    bool describesFrames_ = false;
    TlsFrameSink tlsFrameSink_;
    zem::CarryingFrame carrying_; // the current frame, when described
    zem::ByteBuffer joinedFrame_; // a last fragment's frame with the joined transport header
};

} // namespace capture
