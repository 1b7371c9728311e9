#include "CapturePipeline.hpp"

#include "TlsFrameSummary.hpp"
#include "ZEMPortsController.hpp"

#include <algorithm>

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

std::optional<std::uint32_t> CapturePipeline::offsetInFrame(zem::ByteView message) const {
    // A message joined from segments lies in the reassembler's buffer, not the frame.
    const auto frame = carrying_.captured().span();
    const auto begin = reinterpret_cast<std::uintptr_t>(frame.data());
    const auto first = reinterpret_cast<std::uintptr_t>(message.span().data());
    if (frame.empty() || first < begin || first + message.size() > begin + frame.size())
        return std::nullopt;
    return static_cast<std::uint32_t>(first - begin);
}

void CapturePipeline::frame(int linkType, double time, zem::ByteView bytes,
                            std::uint32_t wireLength) {
    ++frame_;
    if (!firstTime_)
        firstTime_ = time;
    if (describesFrames_) {
        carrying_.octets = bytes;
        carrying_.capturedLength = static_cast<std::uint32_t>(bytes.size());
        carrying_.wireLength = std::max(wireLength, carrying_.capturedLength);
        carrying_.linkType = linkType;
    }
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
    if (describesFrames_) {
        // The last fragment's frame does not hold the transport header: it follows the
        // frame's octets, up to a TCP header's greatest length.
        joinedFrame_.assign(bytes.begin(), bytes.end());
        const auto header = reassembled.payload.slice(0, ip->protocol == 17 ? 8 : 60);
        joinedFrame_.insert(joinedFrame_.end(), header.begin(), header.end());
        carrying_.octets = zem::ByteView(joinedFrame_);
    }
    transport(reassembled, time, fragments_.completedFrames());
}

void CapturePipeline::tlsFrame(const MessageOrigin& origin, bool carried) {
    if (!tlsFrameSink_ || !tlsFrameShown(tls_.lastRecordEvents(), carried))
        return;
    MessageOrigin frame = origin;
    frame.carrierFrames = std::span(&frame_, 1);
    frame.carrying.messageOffset.reset();
    tlsFrameSink_(frame, tls_.lastRecordEvents(), tls_.lastClearRecords());
}

void CapturePipeline::transport(const IPPacket& ip, double time,
                                std::span<const std::uint64_t> carriers) {
    MessageOrigin origin;
    origin.frame = frame_;
    origin.time = time;
    origin.relativeTime = time - *firstTime_;
    origin.source = ip.source;
    origin.destination = ip.destination;
    if (describesFrames_)
        origin.carrying = carrying_;
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
            origin.transport = zem::MessageTransport::dtls;
            const StreamKey key{ip.source, ip.destination, udp->sourcePort, udp->destinationPort};
            bool carried = false;
            tls_.datagram(key, udp->payload, time, carriers.empty() ? frame_ : carriers.front(),
                          serverPort,
                          [&](const StreamKey&, zem::ByteView message,
                              std::span<const std::uint64_t> frames) {
                              carried = true;
                              origin.carrierFrames = frames;
                              sink_(origin, message);
                          });
            tlsFrame(origin, carried);
            return;
        }
        origin.carrierFrames = carriers;
        if (describesFrames_)
            origin.carrying.messageOffset = offsetInFrame(udp->payload);
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
    origin.transport = claim->overTls ? zem::MessageTransport::tls : zem::MessageTransport::tcp;
    StreamKey key{ip.source, ip.destination, tcp->sourcePort, tcp->destinationPort};
    // A fragmented segment is carried by its fragments' frames; the reassembler tells
    // which segments carried each message.
    const std::uint64_t segmentFrame = carriers.empty() ? frame_ : carriers.front();
    if (claim->overTls) {
        bool carried = false;
        tls_.segment(
            key, *tcp, time, segmentFrame, serverPort,
            [&](const StreamKey&, zem::ByteView message, std::span<const std::uint64_t> frames) {
                carried = true;
                origin.carrierFrames = frames;
                sink_(origin, message);
            });
        tlsFrame(origin, carried);
        return;
    }
    streams_.add(
        key, *tcp, time,
        [&](const StreamKey&, zem::ByteView message) {
            origin.carrierFrames = streams_.messageFrames();
            if (describesFrames_)
                origin.carrying.messageOffset = offsetInFrame(message);
            sink_(origin, message);
        },
        segmentFrame);
}

} // namespace capture
