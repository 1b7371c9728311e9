#include "FrameLayers.hpp"

#include "HexText.hpp"
#include "NetworkLayers.hpp"

#include <array>
#include <charconv>
#include <chrono>
#include <cmath>
#include <concepts>
#include <limits>
#include <pcap/dlt.h>

namespace capture {

using zem::ByteView;
using zem::ZEMNode;

namespace {

// The fields' texts, built piece by piece: through printf they took a tenth of -V's time
// once every message showed its layers.
struct Hex {
    std::uint32_t value;
    int digits;
};
struct Fixed6 {
    double value;
};
void appendPiece(std::string& out, std::string_view piece) {
    out.append(piece);
}
template <std::integral Number> void appendPiece(std::string& out, Number number) {
    char digits[24];
    out.append(digits, std::to_chars(digits, digits + sizeof digits, number).ptr);
}
void appendPiece(std::string& out, Hex hex) {
    char digits[12] = {'0', 'x'};
    out.append(digits, zem::writeHexDigits(digits + 2, hex.value, hex.digits));
}
void appendPiece(std::string& out, Fixed6 fixed) {
    char digits[48];
    out.append(digits, std::to_chars(digits, digits + sizeof digits, fixed.value,
                                     std::chars_format::fixed, 6)
                           .ptr);
}
template <typename... Pieces> std::string text(const Pieces&... pieces) {
    std::string out;
    (appendPiece(out, pieces), ...);
    return out;
}

// Node locations are 16-bit: octets past that are described without one.
std::optional<std::uint16_t> narrow(std::size_t value) {
    if (value > std::numeric_limits<std::uint16_t>::max())
        return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

// A node that covers no octets (a time, a joined header's field) gets no place, so that
// selecting it shows its layer's.
void place(ZEMNode& node, std::size_t location, std::size_t length) {
    auto at = narrow(location);
    auto size = narrow(length);
    if (!at || !size || length == 0)
        return;
    node.setHeaderLocation(*at);
    node.setHeaderLength(*size);
}

// One layer's node under construction; its fields' locations count from the layer.
class Layer {
public:
    Layer(std::string_view protocol, std::string title, std::size_t location, std::size_t length)
        : protocol_(protocol), node_(ZEMNode::nodeWithName(std::move(title))) {
        place(*node_, location, length);
    }
    /// `title` is a literal, kept by the node as a view.
    ZEMNode& field(std::string_view title, std::string value, std::size_t offset,
                   std::size_t length) {
        auto child = ZEMNode::nodeWithName(zem::ZEMNodeText::lasting(title),
                                           zem::ZEMNodeText(std::move(value)));
        place(*child, offset, length);
        auto& added = *child;
        node_->addChild(std::move(child));
        return added;
    }
    void note(std::string text) { node_->addChild(ZEMNode::nodeWithName(std::move(text))); }
    FrameLayer done() { return {protocol_, std::move(node_)}; }

private:
    std::string_view protocol_;
    std::unique_ptr<ZEMNode> node_;
};

std::string bytesAndBits(std::size_t octets) {
    return text(octets, " bytes (", octets * 8, " bits)");
}

std::string hex(std::uint32_t value, int digits) {
    return text(Hex{value, digits});
}

std::string macText(ByteView octets) {
    std::string mac;
    for (std::size_t i = 0; i < octets.size(); ++i) {
        char pair[3] = {':'};
        mac.append(i == 0 ? pair + 1 : pair, zem::writeHexOctet(pair + 1, octets.span()[i]));
    }
    return mac;
}

// The EtherTypes a RADIUS frame passes through, by tshark's names.
std::string etherTypeText(std::uint16_t type) {
    struct Row {
        std::uint16_t type;
        const char* name;
    };
    static constexpr std::array<Row, 5> rows{{{0x0800, "IPv4"},
                                              {0x86DD, "IPv6"},
                                              {0x8100, "802.1Q Virtual LAN"},
                                              {0x88A8, "802.1ad Provider Bridge (Q-in-Q)"},
                                              {0x9100, "VLAN tag (0x9100)"}}};
    for (const auto& row : rows)
        if (row.type == type)
            return text(std::string_view(row.name), " (", Hex{type, 4}, ")");
    return text("Unknown (", Hex{type, 4}, ")");
}

std::string ipProtocolText(std::uint8_t protocol) {
    switch (protocol) {
    case 6:
        return "TCP (6)";
    case 17:
        return "UDP (17)";
    case 0:
        return "IPv6 Hop-by-Hop Option (0)";
    case 43:
        return "Routing Header for IPv6 (43)";
    case 44:
        return "Fragment Header for IPv6 (44)";
    case 51:
        return "Authentication Header (51)";
    case 60:
        return "Destination Options for IPv6 (60)";
    case 135:
        return "Mobility Header (135)";
    default:
        return std::to_string(protocol);
    }
}

std::string utcText(double time) {
    double whole = std::floor(time);
    auto micros = static_cast<long>(std::llround((time - whole) * 1e6));
    if (micros == 1000000) {
        whole += 1;
        micros = 0;
    }
    // Times before 1970 or past year 9999 are still shown as seconds.
    if (whole < 0 || whole > 253402300799.0)
        return text(Fixed6{time}, " seconds since 1970");
    // Calendar arithmetic rather than gmtime_r and strftime: glibc's gmtime_r takes a
    // process-wide lock, which the rendering threads queued on for every frame.
    using namespace std::chrono;
    const sys_seconds at{seconds(static_cast<long long>(whole))};
    const auto day = floor<days>(at);
    const year_month_day date{day};
    const hh_mm_ss clock{at - day};
    static constexpr std::array<std::string_view, 12> months{
        "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const auto twoDigits = [](long long value) {
        const char pair[2] = {static_cast<char>('0' + value / 10),
                              static_cast<char>('0' + value % 10)};
        return std::string(pair, 2);
    };
    const unsigned dayOfMonth = static_cast<unsigned>(date.day());
    char fraction[6];
    for (int i = 5; i >= 0; --i, micros /= 10)
        fraction[i] = static_cast<char>('0' + micros % 10);
    return text(months[static_cast<unsigned>(date.month()) - 1], dayOfMonth < 10 ? "  " : " ",
                dayOfMonth, ", ", static_cast<int>(date.year()), " ",
                twoDigits(clock.hours().count()), ":", twoDigits(clock.minutes().count()), ":",
                twoDigits(clock.seconds().count()), ".", std::string_view(fraction, 6), " UTC");
}

struct LinkRow {
    int type;
    const char* name;
};
constexpr std::array<LinkRow, 9> linkNames{{{DLT_NULL, "BSD loopback"},
                                            {DLT_EN10MB, "Ethernet"},
                                            {DLT_RAW, "Raw IP"},
                                            {14, "Raw IP"},
                                            {DLT_LOOP, "OpenBSD loopback"},
                                            {DLT_LINUX_SLL, "Linux cooked-mode capture v1"},
                                            {DLT_IPV4, "Raw IPv4"},
                                            {DLT_IPV6, "Raw IPv6"},
                                            {DLT_LINUX_SLL2, "Linux cooked-mode capture v2"}}};

FrameLayer frameLayer(const zem::MessageOrigin& origin) {
    const auto& carrying = origin.carrying;
    Layer frame("frame",
                text("Frame ", origin.frame, ": ", carrying.wireLength, " bytes on wire (",
                     std::uint64_t{carrying.wireLength} * 8, " bits), ", carrying.capturedLength,
                     " bytes captured (", std::uint64_t{carrying.capturedLength} * 8, " bits)"),
                0, carrying.capturedLength);
    const char* linkName = "Unknown";
    for (const auto& row : linkNames)
        if (row.type == carrying.linkType)
            linkName = row.name;
    frame.field("Link type", text(std::string_view(linkName), " (", carrying.linkType, ")"), 0, 0);
    frame.field("Arrival Time", utcText(origin.time), 0, 0);
    frame.field("Epoch Time", text(Fixed6{origin.time}, " seconds"), 0, 0);
    frame.field("Time since first frame", text(Fixed6{origin.relativeTime}, " seconds"), 0, 0);
    frame.field("Frame Number", std::to_string(origin.frame), 0, 0);
    frame.field("Frame Length", bytesAndBits(carrying.wireLength), 0, 0);
    frame.field("Capture Length", bytesAndBits(carrying.capturedLength), 0, 0);
    return frame.done();
}

// Walks a frame's layers, appending each; `at` is where the next layer starts.
class LayerWalk {
public:
    LayerWalk(const zem::MessageOrigin& origin, std::optional<std::size_t> messageLength)
        : origin_(origin), frame_(origin.carrying.captured()),
          joinedHeader_(origin.carrying.octets.slice(origin.carrying.capturedLength)),
          messageLength_(messageLength) {}

    std::vector<FrameLayer> run() {
        layers_.push_back(frameLayer(origin_));
        if (auto network = link())
            ip(*network);
        return std::move(layers_);
    }

private:
    // The link layer; answers where the IP packet starts.
    std::optional<std::size_t> link() {
        switch (origin_.carrying.linkType) {
        case DLT_EN10MB:
            return ethernet();
        case DLT_LINUX_SLL:
            return cookedV1();
        case DLT_LINUX_SLL2:
            return cookedV2();
        case DLT_NULL:
        case DLT_LOOP:
            return loopback();
        case DLT_RAW:
        case 14:
        case DLT_IPV4:
        case DLT_IPV6:
            layers_.push_back(Layer("raw", "Raw packet data", 0, 0).done());
            return 0;
        default:
            return std::nullopt;
        }
    }

    std::optional<std::size_t> ethernet() {
        auto type = frame_.loadBigEndian16(12);
        if (!type)
            return std::nullopt;
        const auto destination = macText(frame_.slice(0, 6));
        const auto source = macText(frame_.slice(6, 6));
        Layer eth("eth", "Ethernet II, Src: " + source + ", Dst: " + destination, 0, 14);
        eth.field("Destination", destination, 0, 6);
        eth.field("Source", source, 6, 6);
        eth.field("Type", etherTypeText(*type), 12, 2);
        layers_.push_back(eth.done());
        std::size_t at = 14;
        for (int tags = 0; (*type == 0x8100 || *type == 0x88A8 || *type == 0x9100) && tags < 8;
             ++tags) {
            auto control = frame_.loadBigEndian16(at);
            auto inner = frame_.loadBigEndian16(at + 2);
            if (!control || !inner)
                return std::nullopt;
            const unsigned priority = *control >> 13, dei = (*control >> 12) & 1,
                           id = *control & 0x0FFF;
            Layer tag("vlan",
                      *type == 0x8100 ? text("802.1Q Virtual LAN, PRI: ", priority, ", DEI: ", dei,
                                             ", ID: ", id)
                                      : text("IEEE 802.1ad, ID: ", id),
                      at, 4);
            tag.field("Priority", std::to_string(priority), 0, 1);
            tag.field("DEI", std::to_string(dei), 0, 1);
            tag.field("ID", std::to_string(id), 0, 2);
            tag.field("Type", etherTypeText(*inner), 2, 2);
            layers_.push_back(tag.done());
            type = inner;
            at += 4;
        }
        return at;
    }

    static std::string packetTypeText(std::uint16_t type) {
        static constexpr std::array<const char*, 5> names{"Unicast to us", "Broadcast", "Multicast",
                                                          "Unicast to another host", "Sent by us"};
        return text(std::string_view(type < names.size() ? names[type] : "Unknown"), " (", type,
                    ")");
    }

    std::optional<std::size_t> cookedV1() {
        auto packetType = frame_.loadBigEndian16(0);
        auto addressType = frame_.loadBigEndian16(2);
        auto addressLength = frame_.loadBigEndian16(4);
        auto protocol = frame_.loadBigEndian16(14);
        if (!packetType || !addressType || !addressLength || !protocol)
            return std::nullopt;
        Layer sll("sll", "Linux cooked capture v1", 0, 16);
        sll.field("Packet type", packetTypeText(*packetType), 0, 2);
        sll.field("Link-layer address type", std::to_string(*addressType), 2, 2);
        sll.field("Link-layer address length", std::to_string(*addressLength), 4, 2);
        sll.field("Source", macText(frame_.slice(6, std::min<std::size_t>(*addressLength, 8))), 6,
                  8);
        sll.field("Protocol", etherTypeText(*protocol), 14, 2);
        layers_.push_back(sll.done());
        return 16;
    }

    std::optional<std::size_t> cookedV2() {
        auto protocol = frame_.loadBigEndian16(0);
        auto interface = frame_.loadBigEndian32(4);
        auto addressType = frame_.loadBigEndian16(8);
        auto packetType = frame_.at(10);
        auto addressLength = frame_.at(11);
        if (!protocol || !interface || !addressType || !packetType || !addressLength)
            return std::nullopt;
        Layer sll("sll", "Linux cooked capture v2", 0, 20);
        sll.field("Protocol", etherTypeText(*protocol), 0, 2);
        sll.field("Interface index", std::to_string(*interface), 4, 4);
        sll.field("Link-layer address type", std::to_string(*addressType), 8, 2);
        sll.field("Packet type", packetTypeText(*packetType), 10, 1);
        sll.field("Link-layer address length", std::to_string(*addressLength), 11, 1);
        sll.field("Source", macText(frame_.slice(12, std::min<std::size_t>(*addressLength, 8))), 12,
                  8);
        layers_.push_back(sll.done());
        return 20;
    }

    std::optional<std::size_t> loopback() {
        if (frame_.size() < 4)
            return std::nullopt;
        // The family is in the writer's byte order (NULL) or network order (LOOP); it is
        // small, so whichever half is not zero holds it.
        const auto octets = frame_.slice(0, 4).span();
        const unsigned family = octets[0] != 0 || octets[1] != 0
                                    ? static_cast<unsigned>(octets[0] | octets[1] << 8)
                                    : static_cast<unsigned>(octets[3] | octets[2] << 8);
        Layer null("null", "Null/Loopback", 0, 4);
        null.field("Family", text(std::string_view(family == 2 ? "IP" : "IPv6"), " (", family, ")"),
                   0, 4);
        layers_.push_back(null.done());
        return 4;
    }

    void ip(std::size_t at) {
        auto packet = frame_.slice(at);
        auto first = packet.at(0);
        if (!first)
            return;
        auto parsed = parseIP(packet);
        if (!parsed)
            return;
        if ((*first >> 4) == 4)
            ipv4(packet, at, *parsed);
        else
            ipv6(packet, at, *parsed);
        transport(*parsed);
    }

    void ipv4(ByteView packet, std::size_t at, const IPPacket& parsed) {
        const unsigned headerLength = (*packet.at(0) & 0x0F) * 4u;
        const auto tos = packet.at(1).value_or(0);
        const auto flags = packet.loadBigEndian16(6).value_or(0);
        Layer ip("ip",
                 "Internet Protocol Version 4, Src: " + parsed.source.text() +
                     ", Dst: " + parsed.destination.text(),
                 at, headerLength);
        ip.field("Version", "4", 0, 1);
        ip.field("Header Length", text(headerLength, " bytes (", headerLength / 4, ")"), 0, 1);
        ip.field("Differentiated Services Field",
                 text(Hex{tos, 2}, " (DSCP: ", tos >> 2, ", ECN: ", tos & 3u, ")"), 1, 1);
        ip.field("Total Length", std::to_string(packet.loadBigEndian16(2).value_or(0)), 2, 2);
        ip.field("Identification", text(Hex{parsed.fragmentId, 4}, " (", parsed.fragmentId, ")"), 4,
                 2);
        std::string flagText = hex(flags >> 13, 1);
        if (flags & 0x4000)
            flagText += ", Don't fragment";
        if (flags & 0x2000)
            flagText += ", More fragments";
        ip.field("Flags", flagText, 6, 1);
        ip.field("Fragment Offset", std::to_string(parsed.fragmentOffset), 6, 2);
        ip.field("Time to Live", std::to_string(packet.at(8).value_or(0)), 8, 1);
        ip.field("Protocol", ipProtocolText(parsed.protocol), 9, 1);
        ip.field("Header Checksum", hex(packet.loadBigEndian16(10).value_or(0), 4), 10, 2);
        ip.field("Source Address", parsed.source.text(), 12, 4);
        ip.field("Destination Address", parsed.destination.text(), 16, 4);
        if (parsed.fragmented && !joinedHeader_.empty())
            ip.note("[Reassembled from fragments: the transport header below is the joined "
                    "datagram's]");
        layers_.push_back(ip.done());
        payloadStart_ = at + headerLength;
    }

    void ipv6(ByteView packet, std::size_t at, const IPPacket& parsed) {
        const auto head = packet.loadBigEndian32(0).value_or(0);
        Layer ip("ipv6",
                 "Internet Protocol Version 6, Src: " + parsed.source.text() +
                     ", Dst: " + parsed.destination.text(),
                 at, 40);
        ip.field("Version", "6", 0, 1);
        ip.field("Traffic Class", hex((head >> 20) & 0xFF, 2), 0, 2);
        ip.field("Flow Label", hex(head & 0xFFFFF, 5), 1, 3);
        ip.field("Payload Length", std::to_string(packet.loadBigEndian16(4).value_or(0)), 4, 2);
        ip.field("Next Header", ipProtocolText(packet.at(6).value_or(0)), 6, 1);
        ip.field("Hop Limit", std::to_string(packet.at(7).value_or(0)), 7, 1);
        ip.field("Source Address", parsed.source.text(), 8, 16);
        ip.field("Destination Address", parsed.destination.text(), 24, 16);
        // The extension headers lie between the fixed header and the payload.
        const auto payloadAt =
            static_cast<std::size_t>(parsed.payload.span().data() - frame_.span().data());
        if (payloadAt > at + 40)
            ip.field("Extension headers", text(payloadAt - at - 40, " bytes"), 40,
                     payloadAt - at - 40);
        if (parsed.fragmented && !joinedHeader_.empty())
            ip.note("[Reassembled from fragments: the transport header below is the joined "
                    "datagram's]");
        layers_.push_back(ip.done());
        payloadStart_ = payloadAt;
    }

    void transport(const IPPacket& parsed) {
        // A datagram joined from fragments: its transport header is not in this frame.
        const bool joined = parsed.fragmented;
        if (joined && joinedHeader_.empty())
            return;
        const ByteView segment = joined ? joinedHeader_ : parsed.payload;
        const std::size_t at = joined ? 0 : payloadStart_;
        if (parsed.protocol == 17)
            udp(segment, at, joined);
        else if (parsed.protocol == 6)
            tcp(segment, at, joined);
        else
            return;
        const std::string_view carriedBy = origin_.transport;
        if (carriedBy == "TLS" || carriedBy == "DTLS") {
            Layer tls(carriedBy == "TLS" ? "tls" : "dtls",
                      carriedBy == "TLS" ? "Transport Layer Security"
                                         : "Datagram Transport Layer Security",
                      0, 0);
            if (messageLength_)
                tls.note(text("[RADIUS message of ", *messageLength_,
                              " bytes, decrypted from the connection's records]"));
            layers_.push_back(tls.done());
        } else if (messageLength_ && !origin_.carrying.messageOffset && parsed.protocol == 6) {
            layers_.back().node->addChild(
                ZEMNode::nodeWithName(text("[RADIUS message of ", *messageLength_,
                                           " bytes, joined from this and earlier segments]")));
        }
    }

    // `joined`: the header came from the reassembled datagram, not this frame, so it
    // covers no octets here.
    void udp(ByteView segment, std::size_t at, bool joined) {
        auto datagram = parseUDP(segment);
        if (!datagram)
            return;
        const std::size_t span = joined ? 0 : 8;
        Layer udp("udp",
                  text("User Datagram Protocol, Src Port: ", datagram->sourcePort,
                       ", Dst Port: ", datagram->destinationPort),
                  at, span);
        udp.field("Source Port", std::to_string(datagram->sourcePort), 0, joined ? 0 : 2);
        udp.field("Destination Port", std::to_string(datagram->destinationPort), 2, joined ? 0 : 2);
        udp.field("Length", std::to_string(segment.loadBigEndian16(4).value_or(0)), 4,
                  joined ? 0 : 2);
        udp.field("Checksum", hex(segment.loadBigEndian16(6).value_or(0), 4), 6, joined ? 0 : 2);
        udp.note(text("UDP payload (", datagram->payload.size(), " bytes)"));
        layers_.push_back(udp.done());
    }

    void tcp(ByteView segment, std::size_t at, bool joined) {
        auto parsed = parseTCP(segment);
        if (!parsed)
            return;
        const auto offsetFlags = segment.loadBigEndian16(12).value_or(0);
        const unsigned headerLength = (offsetFlags >> 12) * 4u;
        const std::size_t span = joined ? 0 : headerLength;
        Layer tcp("tcp",
                  text("Transmission Control Protocol, Src Port: ", parsed->sourcePort,
                       ", Dst Port: ", parsed->destinationPort, ", Seq: ", parsed->sequence,
                       ", Len: ", parsed->payload.size()),
                  at, span);
        const auto size = [joined](std::size_t length) { return joined ? 0 : length; };
        tcp.field("Source Port", std::to_string(parsed->sourcePort), 0, size(2));
        tcp.field("Destination Port", std::to_string(parsed->destinationPort), 2, size(2));
        tcp.field("Sequence Number (raw)", std::to_string(parsed->sequence), 4, size(4));
        tcp.field("Acknowledgment Number (raw)",
                  std::to_string(segment.loadBigEndian32(8).value_or(0)), 8, size(4));
        tcp.field("Header Length", text(headerLength, " bytes (", headerLength / 4, ")"), 12,
                  size(1));
        tcp.field("Flags", tcpFlagsText(offsetFlags & 0x0FFF), 12, size(2));
        tcp.field("Window", std::to_string(segment.loadBigEndian16(14).value_or(0)), 14, size(2));
        tcp.field("Checksum", hex(segment.loadBigEndian16(16).value_or(0), 4), 16, size(2));
        tcp.field("Urgent Pointer", std::to_string(segment.loadBigEndian16(18).value_or(0)), 18,
                  size(2));
        tcp.note(text("TCP payload (", parsed->payload.size(), " bytes)"));
        layers_.push_back(tcp.done());
    }

    static std::string tcpFlagsText(unsigned flags) {
        static constexpr std::array<const char*, 9> names{"FIN", "SYN", "RST", "PSH", "ACK",
                                                          "URG", "ECE", "CWR", "AE"};
        std::string text = hex(flags, 3) + " (";
        bool first = true;
        for (std::size_t bit = 0; bit < names.size(); ++bit)
            if (flags & (1u << bit)) {
                if (!first)
                    text += ", ";
                text += names[bit];
                first = false;
            }
        return text + ")";
    }

    const zem::MessageOrigin& origin_;
    ByteView frame_, joinedHeader_;
    std::optional<std::size_t> messageLength_;
    std::size_t payloadStart_ = 0;
    std::vector<FrameLayer> layers_;
};

} // namespace

std::vector<FrameLayer> frameLayers(const zem::MessageOrigin& origin,
                                    std::optional<std::size_t> messageLength) {
    if (origin.carrying.empty())
        return {};
    return LayerWalk(origin, messageLength).run();
}

std::vector<std::string_view> layerProtocols() {
    return {"frame", "eth", "vlan", "sll", "null", "raw",   "ip",
            "ipv6",  "udp", "tcp",  "tls", "dtls", "radius"};
}

} // namespace capture
