#include "TlsTransport.hpp"

#include "ByteCursor.hpp"

#include <algorithm>
#include <utility>

namespace capture {

namespace {

constexpr std::size_t dtlsRecordHeader = 13;

StreamKey reversed(const StreamKey& key) {
    return {key.destination, key.source, key.destinationPort, key.sourcePort};
}

// Both directions of a connection under one key.
StreamKey connectionKey(const StreamKey& key) {
    const StreamKey back = reversed(key);
    return std::tie(key.source, key.sourcePort) < std::tie(back.source, back.sourcePort) ? key
                                                                                         : back;
}

} // namespace

TlsConnectionSummary TlsTransport::summaryOf(const Connection& connection) {
    TlsConnectionSummary summary = connection.summary;
    summary.version = connection.tls.version();
    summary.cipherSuite = connection.tls.cipherSuite();
    summary.offered = connection.tls.clientHello();
    summary.certificates = connection.tls.certificates();
    summary.alert = connection.tls.alert();
    summary.problem = connection.tls.problem();
    return summary;
}

void TlsTransport::ended(const Connection& connection, TlsConnectionSummary::Ending ending) {
    if (endedSummaries_.size() >= maximumSummaries) {
        ++summariesLeftOut_;
        return;
    }
    endedSummaries_.push_back(summaryOf(connection));
    if (endedSummaries_.back().ending == TlsConnectionSummary::Ending::open)
        endedSummaries_.back().ending = ending;
}

TlsTransport::Connection& TlsTransport::connectionFor(const StreamKey& key, bool clientHello,
                                                      double time, std::uint16_t serverPort,
                                                      bool datagram) {
    const StreamKey both = connectionKey(key);
    connections_.expire(time, timeoutSeconds, [this](const StreamKey&, const Connection& old) {
        ended(old, TlsConnectionSummary::Ending::timedOut);
    });
    Connection* found = connections_.find(both);
    // A ClientHello after the handshake starts a new connection on the same ports.
    if (found && clientHello && found->tls.hellosRead()) {
        ended(*found, TlsConnectionSummary::Ending::open);
        connections_.erase(both);
        found = nullptr;
    }
    if (found) {
        connections_.touch(both, time);
        return *found;
    }
    if (connections_.full()) {
        ended(connections_.oldest(), TlsConnectionSummary::Ending::open);
        connections_.giveUpOldestEntry();
    }
    Connection& made = connections_.insert(both, time);
    made.tls = TlsConnection(keys_, datagram);
    // The side that sends the ClientHello is the client; joined later, the side on the
    // server's port is the server.
    const bool fromClient = clientHello || key.destinationPort == serverPort;
    made.summary.clientToServer = fromClient ? key : reversed(key);
    made.summary.datagram = datagram;
    made.summary.firstTime = time;
    return made;
}

void TlsTransport::record(const StreamKey& key, std::uint8_t type, std::uint16_t version,
                          std::uint64_t sequence, zem::ByteView fragment, double time,
                          std::span<const std::uint64_t> frames, std::uint16_t serverPort,
                          bool datagram, const MessageSink& sink) {
    const bool clientHello = type == zem::tlsContent::handshake && fragment.at(0) == 1;
    Connection& connection = connectionFor(key, clientHello, time, serverPort, datagram);
    const bool fromClient = key == connection.summary.clientToServer;
    const std::size_t side = fromClient ? 1 : 0;
    connection.summary.lastTime = time;
    ++connection.summary.records[side];
    connection.summary.octets[side] += fragment.size() + (datagram ? 13 : 5);
    for (auto frame : frames)
        if (connection.recordFrames.size() < maximumRecordFrames &&
            (connection.recordFrames.empty() || connection.recordFrames.back() != frame))
            connection.recordFrames.push_back(frame);
    if (collectsEvents_ && !datagram && connection.tls.inClear(fromClient) &&
        (type == zem::tlsContent::handshake || type == zem::tlsContent::alert)) {
        const std::uint8_t header[5] = {type, static_cast<std::uint8_t>(version >> 8),
                                        static_cast<std::uint8_t>(version),
                                        static_cast<std::uint8_t>(fragment.size() >> 8),
                                        static_cast<std::uint8_t>(fragment.size())};
        clearRecords_.insert(clearRecords_.end(), header, header + 5);
        clearRecords_.insert(clearRecords_.end(), fragment.begin(), fragment.end());
    }
    const std::uint64_t before = connection.tls.decryptedRecords();
    connection.tls.record(
        fromClient, type, version, sequence, fragment,
        [&](bool client, zem::ByteView data) {
            FramedOctets& octets = connection.plaintext[client ? 1 : 0];
            droppedPlaintext_ += octets.append(data, frames);
            droppedPlaintext_ +=
                octets.cut(radiusMessageFraming, [&](zem::ByteView message,
                                                     std::span<const std::uint64_t> carriers) {
                    ++connection.summary.messages[side];
                    // Reordered segments may name frames out of order.
                    messageFrames_.assign(connection.recordFrames.begin(),
                                          connection.recordFrames.end());
                    messageFrames_.insert(messageFrames_.end(), carriers.begin(), carriers.end());
                    std::sort(messageFrames_.begin(), messageFrames_.end());
                    messageFrames_.erase(std::unique(messageFrames_.begin(), messageFrames_.end()),
                                         messageFrames_.end());
                    connection.recordFrames.clear();
                    sink(key, message, messageFrames_);
                });
        },
        collectsEvents_ ? &events_ : nullptr);
    decryptedRecords_ += connection.tls.decryptedRecords() - before;
    if (!connection.noted && connection.tls.problem() != TlsProblem::none) {
        connection.noted = true;
        notes_.push_back({connection.summary.clientToServer, datagram, connection.tls.problem()});
    }
}

void TlsTransport::segment(const StreamKey& key, const TCPSegment& segment, double time,
                           std::uint64_t frame, std::uint16_t serverPort, const MessageSink& sink) {
    events_.clear();
    clearRecords_.clear();
    records_.add(
        key, segment, time,
        [&](const StreamKey&, zem::ByteView tlsRecord) {
            zem::ByteCursor header(tlsRecord);
            const auto type = header.u8();
            const auto version = header.u16();
            header.u16(); // the length, which framed the record
            record(key, type.value_or(0), version.value_or(0), 0, header.rest(), time,
                   records_.messageFrames(), serverPort, false, sink);
        },
        frame);
    if (segment.fin || segment.rst)
        if (Connection* connection = connections_.find(connectionKey(key)))
            if (connection->summary.ending == TlsConnectionSummary::Ending::open)
                connection->summary.ending = segment.rst ? TlsConnectionSummary::Ending::reset
                                                         : TlsConnectionSummary::Ending::closed;
}

void TlsTransport::datagram(const StreamKey& key, zem::ByteView payload, double time,
                            std::uint64_t frame, std::uint16_t serverPort,
                            const MessageSink& sink) {
    events_.clear();
    clearRecords_.clear();
    zem::ByteCursor cursor(payload);
    while (cursor.remaining() >= dtlsRecordHeader) {
        const auto type = cursor.u8();
        const auto version = cursor.u16();
        const auto epochAndSequence = cursor.take(8);
        const auto fragment = cursor.vector16();
        if (!type || !version || !epochAndSequence || !fragment)
            return;
        std::uint64_t sequence = 0;
        for (auto octet : *epochAndSequence)
            sequence = (sequence << 8) | octet;
        record(key, *type, *version, sequence, *fragment, time, std::span(&frame, 1), serverPort,
               true, sink);
    }
}

std::vector<TlsNote> TlsTransport::takeNotes() {
    return std::exchange(notes_, {});
}

std::vector<TlsConnectionSummary> TlsTransport::summaries() const {
    std::vector<TlsConnectionSummary> all = endedSummaries_;
    connections_.forEach([&](const StreamKey&, const Connection& connection) {
        all.push_back(summaryOf(connection));
    });
    std::stable_sort(all.begin(), all.end(),
                     [](const auto& a, const auto& b) { return a.firstTime < b.firstTime; });
    return all;
}

} // namespace capture
