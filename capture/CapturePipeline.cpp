#include "CapturePipeline.hpp"

#include "ZEMPortsController.hpp"

namespace capture {

namespace {

bool claimed(std::uint16_t a, std::uint16_t b, zem::kZEMSourceProtocols transport) {
    auto& ports = zem::ZEMPortsController::sharedPortsController();
    return ports.claimForPort(b, transport) || ports.claimForPort(a, transport);
}

} // namespace

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
        if (!udp || !claimed(udp->sourcePort, udp->destinationPort, zem::kZEMSourceProtocols::udp))
            return;
        origin.sourcePort = udp->sourcePort;
        origin.destinationPort = udp->destinationPort;
        origin.carrierFrames = carriers;
        sink_(origin, udp->payload);
        return;
    }
    auto tcp = parseTCP(ip.payload);
    if (!tcp || !claimed(tcp->sourcePort, tcp->destinationPort, zem::kZEMSourceProtocols::tcp))
        return;
    origin.sourcePort = tcp->sourcePort;
    origin.destinationPort = tcp->destinationPort;
    origin.transport = "TCP";
    StreamKey key{ip.source, ip.destination, tcp->sourcePort, tcp->destinationPort};
    // A fragmented segment is carried by its fragments' frames; the reassembler tells
    // which segments carried each message.
    const std::uint64_t segmentFrame = carriers.empty() ? frame_ : carriers.front();
    streams_.add(
        key, *tcp, time,
        [&](const StreamKey&, zem::ByteBuffer message) {
            origin.carrierFrames = streams_.messageFrames();
            sink_(origin, zem::ByteView(message));
        },
        segmentFrame);
}

} // namespace capture
