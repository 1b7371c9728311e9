#include "CapturePipeline.hpp"

#include "ZEMPortsController.hpp"

namespace capture {

namespace {

using Claim = zem::ZEMPortsController::Claim;

std::pair<const Claim*, std::uint16_t> claimOf(std::uint16_t source, std::uint16_t destination,
                                               zem::kZEMSourceProtocols transport) {
    auto [claim, port] = zem::ZEMPortsController::sharedPortsController().claimForPacket(
        destination, source, transport);
    return {claim, static_cast<std::uint16_t>(port)};
}

} // namespace

void CapturePipeline::addTlsSecretsOf(const std::vector<DecryptionSecrets>& blocks,
                                      std::size_t& taken) {
    for (; taken < blocks.size(); ++taken)
        if (blocks[taken].type == DecryptionSecrets::tlsKeyLog)
            addTlsSecrets(std::string_view(reinterpret_cast<const char*>(blocks[taken].data.data()),
                                           blocks[taken].data.size()));
}

void CapturePipeline::frame(int linkType, double time, zem::ByteView bytes) {
    ++frame_;
    if (!firstTime_)
        firstTime_ = time;
    auto network = linkPayload(linkType, bytes);
    if (!network)
        return;
    auto ip = parseIP(*network);
    if (!ip || (ip->protocol != 6 && ip->protocol != 17))
        return;
    if (!ip->fragmented) {
        const std::uint64_t carrier = frame_;
        transport(*ip, time, std::span(&carrier, 1));
        return;
    }
    auto whole = fragments_.add(*ip, time, frame_);
    if (!whole)
        return;
    IPPacket reassembled = *ip;
    reassembled.payload = zem::ByteView(*whole);
    transport(reassembled, time, fragments_.completedFrames());
}

void CapturePipeline::transport(const IPPacket& ip, double time,
                                std::span<const std::uint64_t> carriers) {
    MessageOrigin origin;
    origin.frame = frame_;
    origin.time = time;
    origin.relativeTime = time - *firstTime_;
    origin.source = ip.source;
    origin.destination = ip.destination;
    if (ip.protocol == 17) {
        auto udp = parseUDP(ip.payload);
        if (!udp)
            return;
        auto [claim, serverPort] =
            claimOf(udp->sourcePort, udp->destinationPort, zem::kZEMSourceProtocols::udp);
        if (!claim)
            return;
        origin.sourcePort = udp->sourcePort;
        origin.destinationPort = udp->destinationPort;
        if (claim->overTls) {
            origin.transport = "DTLS";
            const StreamKey key{ip.source, ip.destination, udp->sourcePort, udp->destinationPort};
            tls_.datagram(key, udp->payload, time, carriers.empty() ? frame_ : carriers.front(),
                          serverPort,
                          [&](const StreamKey&, zem::ByteView message,
                              std::span<const std::uint64_t> frames) {
                              origin.carrierFrames = frames;
                              sink_(origin, message);
                          });
            return;
        }
        origin.carrierFrames = carriers;
        sink_(origin, udp->payload);
        return;
    }
    auto tcp = parseTCP(ip.payload);
    if (!tcp)
        return;
    auto [claim, serverPort] =
        claimOf(tcp->sourcePort, tcp->destinationPort, zem::kZEMSourceProtocols::tcp);
    if (!claim)
        return;
    origin.sourcePort = tcp->sourcePort;
    origin.destinationPort = tcp->destinationPort;
    origin.transport = claim->overTls ? "TLS" : "TCP";
    StreamKey key{ip.source, ip.destination, tcp->sourcePort, tcp->destinationPort};
    // A fragmented segment is carried by its fragments' frames; the reassembler tells
    // which segments carried each message.
    const std::uint64_t segmentFrame = carriers.empty() ? frame_ : carriers.front();
    if (claim->overTls) {
        tls_.segment(
            key, *tcp, time, segmentFrame, serverPort,
            [&](const StreamKey&, zem::ByteView message, std::span<const std::uint64_t> frames) {
                origin.carrierFrames = frames;
                sink_(origin, message);
            });
        return;
    }
    streams_.add(
        key, *tcp, time,
        [&](const StreamKey&, zem::ByteView message) {
            origin.carrierFrames = streams_.messageFrames();
            sink_(origin, message);
        },
        segmentFrame);
}

} // namespace capture
