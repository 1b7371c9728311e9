#include "FrameLayers.hpp"

#include "HexText.hpp"
#include "NetworkLayers.hpp"
#include "TextEscaping.hpp"
#include "TimeText.hpp"

#include <array>
#include <charconv>
#include <cmath>
#include <concepts>
#include <cstring>
#include <limits>
#include <pcap/dlt.h>

namespace capture {

using zem::ByteView;
using zem::ZEMNode;

namespace {

// The fields' texts, built piece by piece where the sink keeps them: through printf they
// took a tenth of -V's time, and a string of its own per field most of the rest.
struct Hex {
    std::uint32_t value;
    int digits;
};
struct Fixed6 {
    double value;
};
struct Utc {
    double time;
};
struct BytesAndBits {
    std::size_t octets;
};
struct EtherType {
    std::uint16_t type;
};
struct IpProtocol {
    std::uint8_t protocol;
};
struct PacketType {
    std::uint16_t type;
};
struct TcpFlags {
    unsigned flags;
};
struct IpFlags {
    std::uint16_t flags;
};
struct Address {
    const zem::IPAddress& address;
};
// Up to eight octets, as Linux cooked captures give them.
class MacText {
public:
    explicit MacText(ByteView octets) {
        for (std::size_t i = 0; i < octets.size() && i < 8; ++i) {
            if (i != 0)
                text_[length_++] = ':';
            length_ = static_cast<std::size_t>(
                zem::writeHexOctet(text_.data() + length_, octets.span()[i]) - text_.data());
        }
    }
    std::string_view view() const { return {text_.data(), length_}; }

private:
    std::array<char, 23> text_{};
    std::size_t length_ = 0;
};

// Each piece's most characters, and its writer: a line's room is made once for all of
// its pieces, then written through one cursor.
template <std::size_t size> constexpr std::size_t bound(const char (&)[size]) {
    return size - 1;
}
template <std::size_t size> char* write(char* out, const char (&literal)[size]) {
    std::memcpy(out, literal, size - 1);
    return out + size - 1;
}
std::size_t bound(std::string_view piece) {
    return piece.size();
}
char* write(char* out, std::string_view piece) {
    return zem::writeLiteral(out, piece);
}
std::size_t bound(const MacText& mac) {
    return mac.view().size();
}
char* write(char* out, const MacText& mac) {
    return zem::writeLiteral(out, mac.view());
}
template <std::integral Number> constexpr std::size_t bound(Number) {
    return std::numeric_limits<Number>::digits10 + 2; // and a sign
}
template <std::integral Number> char* write(char* out, Number number) {
    return std::to_chars(out, out + bound(number), number).ptr;
}
constexpr std::size_t bound(Hex) {
    return 10;
}
char* write(char* out, Hex hex) {
    *out++ = '0';
    *out++ = 'x';
    return zem::writeHexDigits(out, hex.value, hex.digits);
}
std::size_t bound(Fixed6 fixed) {
    return zem::fixed6Bound(fixed.value);
}
char* write(char* out, Fixed6 fixed) {
    return zem::writeFixed6(out, fixed.value);
}
constexpr std::size_t bound(Address) {
    return zem::IPAddress::textRoom;
}
char* write(char* out, Address address) {
    return address.address.writeText(out);
}
constexpr std::size_t bound(BytesAndBits) {
    return 2 * bound(std::size_t{}) + 14;
}
char* write(char* out, BytesAndBits size) {
    out = write(out, size.octets);
    out = write(out, " bytes (");
    out = write(out, size.octets * 8);
    return write(out, " bits)");
}

// The EtherTypes a RADIUS frame passes through, by tshark's names.
std::string_view etherTypeName(EtherType type) {
    struct Row {
        std::uint16_t type;
        std::string_view name;
    };
    static constexpr std::array<Row, 5> rows{{{0x0800, "IPv4"},
                                              {0x86DD, "IPv6"},
                                              {0x8100, "802.1Q Virtual LAN"},
                                              {0x88A8, "802.1ad Provider Bridge (Q-in-Q)"},
                                              {0x9100, "VLAN tag (0x9100)"}}};
    for (const auto& row : rows)
        if (row.type == type.type)
            return row.name;
    return "Unknown";
}
std::size_t bound(EtherType type) {
    return etherTypeName(type).size() + 3 + bound(Hex{});
}
char* write(char* out, EtherType type) {
    out = write(out, etherTypeName(type));
    out = write(out, " (");
    out = write(out, Hex{type.type, 4});
    return write(out, ")");
}

std::string_view ipProtocolName(IpProtocol protocol) {
    switch (protocol.protocol) {
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
        return {}; // shown as its number
    }
}
std::size_t bound(IpProtocol protocol) {
    return std::max(ipProtocolName(protocol).size(), bound(protocol.protocol));
}
char* write(char* out, IpProtocol protocol) {
    const auto name = ipProtocolName(protocol);
    return name.empty() ? write(out, protocol.protocol) : write(out, name);
}

std::string_view packetTypeName(PacketType type) {
    static constexpr std::array<std::string_view, 5> names{
        "Unicast to us", "Broadcast", "Multicast", "Unicast to another host", "Sent by us"};
    return type.type < names.size() ? names[type.type] : "Unknown";
}
std::size_t bound(PacketType type) {
    return packetTypeName(type).size() + 3 + bound(type.type);
}
char* write(char* out, PacketType type) {
    out = write(out, packetTypeName(type));
    out = write(out, " (");
    out = write(out, type.type);
    return write(out, ")");
}

constexpr std::array<std::string_view, 9> tcpFlagNames{"FIN", "SYN", "RST", "PSH", "ACK",
                                                       "URG", "ECE", "CWR", "AE"};
constexpr std::size_t bound(TcpFlags) {
    return bound(Hex{}) + 3 + tcpFlagNames.size() * 5;
}
char* write(char* out, TcpFlags flags) {
    out = write(out, Hex{flags.flags, 3});
    out = write(out, " (");
    bool first = true;
    for (std::size_t bit = 0; bit < tcpFlagNames.size(); ++bit)
        if (flags.flags & (1u << bit)) {
            if (!first)
                out = write(out, ", ");
            out = write(out, tcpFlagNames[bit]);
            first = false;
        }
    return write(out, ")");
}

constexpr std::size_t bound(IpFlags) {
    return bound(Hex{}) + 32;
}
char* write(char* out, IpFlags flags) {
    out = write(out, Hex{static_cast<std::uint32_t>(flags.flags >> 13), 1});
    if (flags.flags & 0x4000)
        out = write(out, ", Don't fragment");
    if (flags.flags & 0x2000)
        out = write(out, ", More fragments");
    return out;
}

std::size_t bound(Utc utc) {
    // "Nov 14, 2023 22:13:20.000000 UTC", or seconds since 1970 for a time out of range.
    return std::max<std::size_t>(48, bound(Fixed6{utc.time}) + 19);
}
char* write(char* out, Utc utc) {
    const double time = utc.time;
    double whole = std::floor(time);
    auto micros = static_cast<long>(std::llround((time - whole) * 1e6));
    if (micros == 1000000) {
        whole += 1;
        micros = 0;
    }
    // Times before 1970 or past year 9999 are still shown as seconds.
    if (whole < 0 || whole > 253402300799.0) {
        out = write(out, Fixed6{time});
        return write(out, " seconds since 1970");
    }
    const auto date = zem::utcCalendar(static_cast<long long>(whole));
    static constexpr std::array<std::string_view, 12> months{
        "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    out = write(out, months[date.month - 1]);
    out = write(out, date.day < 10 ? std::string_view("  ") : std::string_view(" "));
    out = write(out, date.day);
    out = write(out, ", ");
    out = write(out, date.year);
    out = write(out, " ");
    out = zem::writeClock(out, date);
    out = zem::writeMicroseconds(out, static_cast<std::uint64_t>(micros));
    return write(out, " UTC");
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

// Builds each layer as a node with its fields as children.
class LayerNodes final : public LayerSink {
public:
    char* begin(LayerLine line, std::string_view name, std::size_t bound) override {
        line_ = line;
        name_ = name;
        text_.resize(bound);
        return text_.data();
    }
    void end(char* textEnd, std::size_t location, std::size_t length) override {
        text_.resize(static_cast<std::size_t>(textEnd - text_.data()));
        switch (line_) {
        case LayerLine::layer: {
            auto node = ZEMNode::nodeWithName(text_);
            place(*node, location, length);
            layers_.push_back({name_, std::move(node)});
            return;
        }
        case LayerLine::field: {
            auto child =
                ZEMNode::nodeWithName(zem::ZEMNodeText::lasting(name_), zem::ZEMNodeText(text_));
            place(*child, location, length);
            layers_.back().node->addChild(std::move(child));
            return;
        }
        case LayerLine::note:
            layers_.back().node->addChild(ZEMNode::nodeWithName(text_));
            return;
        }
    }
    std::vector<FrameLayer> take() { return std::move(layers_); }

private:
    std::vector<FrameLayer> layers_;
    LayerLine line_ = LayerLine::layer;
    std::string_view name_; // a layer's short name or a field's title: literals
    std::string text_;
};

struct LinkRow {
    int type;
    std::string_view name;
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

// Walks a frame's layers, handing each to the sink; `at` is where the next layer starts.
class LayerWalk {
public:
    LayerWalk(const zem::MessageOrigin& origin, std::optional<std::size_t> messageLength,
              LayerSink& sink)
        : origin_(origin), frame_(origin.carrying.captured()),
          joinedHeader_(origin.carrying.octets.slice(origin.carrying.capturedLength)),
          messageLength_(messageLength), sink_(sink) {}

    void run() {
        frame();
        if (auto network = link())
            ip(*network);
    }

private:
    // One line, its pieces appended where the sink wants its text.
    template <typename... Pieces>
    void line(LayerLine kind, std::string_view name, std::size_t location, std::size_t length,
              const Pieces&... pieces) {
        char* at = sink_.begin(kind, name, (std::size_t{0} + ... + bound(pieces)));
        ((at = write(at, pieces)), ...);
        sink_.end(at, location, length);
    }
    template <typename... Pieces>
    void layer(std::string_view protocol, std::size_t location, std::size_t length,
               const Pieces&... pieces) {
        line(LayerLine::layer, protocol, location, length, pieces...);
    }
    template <typename... Pieces>
    void field(std::string_view title, std::size_t offset, std::size_t length,
               const Pieces&... pieces) {
        line(LayerLine::field, title, offset, length, pieces...);
    }
    template <typename... Pieces> void note(const Pieces&... pieces) {
        line(LayerLine::note, {}, 0, 0, pieces...);
    }

    void frame() {
        const auto& carrying = origin_.carrying;
        layer("frame", 0, carrying.capturedLength, "Frame ", origin_.frame, ": ",
              carrying.wireLength, " bytes on wire (", std::uint64_t{carrying.wireLength} * 8,
              " bits), ", carrying.capturedLength, " bytes captured (",
              std::uint64_t{carrying.capturedLength} * 8, " bits)");
        std::string_view linkName = "Unknown";
        for (const auto& row : linkNames)
            if (row.type == carrying.linkType)
                linkName = row.name;
        field("Link type", 0, 0, linkName, " (", carrying.linkType, ")");
        field("Arrival Time", 0, 0, Utc{origin_.time});
        field("Epoch Time", 0, 0, Fixed6{origin_.time}, " seconds");
        field("Time since first frame", 0, 0, Fixed6{origin_.relativeTime}, " seconds");
        field("Frame Number", 0, 0, origin_.frame);
        field("Frame Length", 0, 0, BytesAndBits{carrying.wireLength});
        field("Capture Length", 0, 0, BytesAndBits{carrying.capturedLength});
    }

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
            layer("raw", 0, 0, "Raw packet data");
            return 0;
        default:
            return std::nullopt;
        }
    }

    std::optional<std::size_t> ethernet() {
        auto type = frame_.loadBigEndian16(12);
        if (!type)
            return std::nullopt;
        const MacText destination(frame_.slice(0, 6));
        const MacText source(frame_.slice(6, 6));
        layer("eth", 0, 14, "Ethernet II, Src: ", source, ", Dst: ", destination);
        field("Destination", 0, 6, destination);
        field("Source", 6, 6, source);
        field("Type", 12, 2, EtherType{*type});
        std::size_t at = 14;
        for (int tags = 0; (*type == 0x8100 || *type == 0x88A8 || *type == 0x9100) && tags < 8;
             ++tags) {
            auto control = frame_.loadBigEndian16(at);
            auto inner = frame_.loadBigEndian16(at + 2);
            if (!control || !inner)
                return std::nullopt;
            const unsigned priority = *control >> 13, dei = (*control >> 12) & 1,
                           id = *control & 0x0FFF;
            if (*type == 0x8100)
                layer("vlan", at, 4, "802.1Q Virtual LAN, PRI: ", priority, ", DEI: ", dei,
                      ", ID: ", id);
            else
                layer("vlan", at, 4, "IEEE 802.1ad, ID: ", id);
            field("Priority", 0, 1, priority);
            field("DEI", 0, 1, dei);
            field("ID", 0, 2, id);
            field("Type", 2, 2, EtherType{*inner});
            type = inner;
            at += 4;
        }
        return at;
    }

    std::optional<std::size_t> cookedV1() {
        auto packetType = frame_.loadBigEndian16(0);
        auto addressType = frame_.loadBigEndian16(2);
        auto addressLength = frame_.loadBigEndian16(4);
        auto protocol = frame_.loadBigEndian16(14);
        if (!packetType || !addressType || !addressLength || !protocol)
            return std::nullopt;
        layer("sll", 0, 16, "Linux cooked capture v1");
        field("Packet type", 0, 2, PacketType{*packetType});
        field("Link-layer address type", 2, 2, *addressType);
        field("Link-layer address length", 4, 2, *addressLength);
        field("Source", 6, 8, MacText(frame_.slice(6, std::min<std::size_t>(*addressLength, 8))));
        field("Protocol", 14, 2, EtherType{*protocol});
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
        layer("sll", 0, 20, "Linux cooked capture v2");
        field("Protocol", 0, 2, EtherType{*protocol});
        field("Interface index", 4, 4, *interface);
        field("Link-layer address type", 8, 2, *addressType);
        field("Packet type", 10, 1, PacketType{*packetType});
        field("Link-layer address length", 11, 1, *addressLength);
        field("Source", 12, 8, MacText(frame_.slice(12, std::min<std::size_t>(*addressLength, 8))));
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
        layer("null", 0, 4, "Null/Loopback");
        field("Family", 0, 4, std::string_view(family == 2 ? "IP" : "IPv6"), " (", family, ")");
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

    void joinedNote(const IPPacket& parsed) {
        if (parsed.fragmented && !joinedHeader_.empty())
            note("[Reassembled from fragments: the transport header below is the joined "
                 "datagram's]");
    }

    void ipv4(ByteView packet, std::size_t at, const IPPacket& parsed) {
        const unsigned headerLength = (*packet.at(0) & 0x0F) * 4u;
        const auto tos = packet.at(1).value_or(0);
        layer("ip", at, headerLength, "Internet Protocol Version 4, Src: ", Address{parsed.source},
              ", Dst: ", Address{parsed.destination});
        field("Version", 0, 1, "4");
        field("Header Length", 0, 1, headerLength, " bytes (", headerLength / 4, ")");
        field("Differentiated Services Field", 1, 1, Hex{tos, 2}, " (DSCP: ", tos >> 2,
              ", ECN: ", tos & 3u, ")");
        field("Total Length", 2, 2, packet.loadBigEndian16(2).value_or(0));
        field("Identification", 4, 2, Hex{parsed.fragmentId, 4}, " (", parsed.fragmentId, ")");
        field("Flags", 6, 1, IpFlags{packet.loadBigEndian16(6).value_or(0)});
        field("Fragment Offset", 6, 2, parsed.fragmentOffset);
        field("Time to Live", 8, 1, packet.at(8).value_or(0));
        field("Protocol", 9, 1, IpProtocol{parsed.protocol});
        field("Header Checksum", 10, 2, Hex{packet.loadBigEndian16(10).value_or(0), 4});
        field("Source Address", 12, 4, Address{parsed.source});
        field("Destination Address", 16, 4, Address{parsed.destination});
        joinedNote(parsed);
        payloadStart_ = at + headerLength;
    }

    void ipv6(ByteView packet, std::size_t at, const IPPacket& parsed) {
        const auto head = packet.loadBigEndian32(0).value_or(0);
        layer("ipv6", at, 40, "Internet Protocol Version 6, Src: ", Address{parsed.source},
              ", Dst: ", Address{parsed.destination});
        field("Version", 0, 1, "6");
        field("Traffic Class", 0, 2, Hex{(head >> 20) & 0xFF, 2});
        field("Flow Label", 1, 3, Hex{head & 0xFFFFF, 5});
        field("Payload Length", 4, 2, packet.loadBigEndian16(4).value_or(0));
        field("Next Header", 6, 1, IpProtocol{packet.at(6).value_or(0)});
        field("Hop Limit", 7, 1, packet.at(7).value_or(0));
        field("Source Address", 8, 16, Address{parsed.source});
        field("Destination Address", 24, 16, Address{parsed.destination});
        // The extension headers lie between the fixed header and the payload.
        const auto payloadAt =
            static_cast<std::size_t>(parsed.payload.span().data() - frame_.span().data());
        if (payloadAt > at + 40)
            field("Extension headers", 40, payloadAt - at - 40, payloadAt - at - 40, " bytes");
        joinedNote(parsed);
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
        if (zem::carriedOverTls(origin_.transport)) {
            const bool tls = origin_.transport == zem::MessageTransport::tls;
            layer(tls ? "tls" : "dtls", 0, 0,
                  std::string_view(tls ? "Transport Layer Security"
                                       : "Datagram Transport Layer Security"));
            if (messageLength_)
                note("[RADIUS message of ", *messageLength_,
                     " bytes, decrypted from the connection's records]");
        } else if (messageLength_ && !origin_.carrying.messageOffset && parsed.protocol == 6) {
            note("[RADIUS message of ", *messageLength_,
                 " bytes, joined from this and earlier segments]");
        }
    }

    // `joined`: the header came from the reassembled datagram, not this frame, so it
    // covers no octets here.
    void udp(ByteView segment, std::size_t at, bool joined) {
        auto datagram = parseUDP(segment);
        if (!datagram)
            return;
        const std::size_t span = joined ? 0 : 8;
        const std::size_t two = joined ? 0 : 2;
        layer("udp", at, span, "User Datagram Protocol, Src Port: ", datagram->sourcePort,
              ", Dst Port: ", datagram->destinationPort);
        field("Source Port", 0, two, datagram->sourcePort);
        field("Destination Port", 2, two, datagram->destinationPort);
        field("Length", 4, two, segment.loadBigEndian16(4).value_or(0));
        field("Checksum", 6, two, Hex{segment.loadBigEndian16(6).value_or(0), 4});
        note("UDP payload (", datagram->payload.size(), " bytes)");
    }

    void tcp(ByteView segment, std::size_t at, bool joined) {
        auto parsed = parseTCP(segment);
        if (!parsed)
            return;
        const auto offsetFlags = segment.loadBigEndian16(12).value_or(0);
        const unsigned headerLength = (offsetFlags >> 12) * 4u;
        const std::size_t span = joined ? 0 : headerLength;
        layer("tcp", at, span, "Transmission Control Protocol, Src Port: ", parsed->sourcePort,
              ", Dst Port: ", parsed->destinationPort, ", Seq: ", parsed->sequence,
              ", Len: ", parsed->payload.size());
        const auto size = [joined](std::size_t length) { return joined ? 0 : length; };
        field("Source Port", 0, size(2), parsed->sourcePort);
        field("Destination Port", 2, size(2), parsed->destinationPort);
        field("Sequence Number (raw)", 4, size(4), parsed->sequence);
        field("Acknowledgment Number (raw)", 8, size(4), segment.loadBigEndian32(8).value_or(0));
        field("Header Length", 12, size(1), headerLength, " bytes (", headerLength / 4, ")");
        field("Flags", 12, size(2), TcpFlags{offsetFlags & 0x0FFFu});
        field("Window", 14, size(2), segment.loadBigEndian16(14).value_or(0));
        field("Checksum", 16, size(2), Hex{segment.loadBigEndian16(16).value_or(0), 4});
        field("Urgent Pointer", 18, size(2), segment.loadBigEndian16(18).value_or(0));
        note("TCP payload (", parsed->payload.size(), " bytes)");
    }

    const zem::MessageOrigin& origin_;
    ByteView frame_, joinedHeader_;
    std::optional<std::size_t> messageLength_;
    LayerSink& sink_;
    std::size_t payloadStart_ = 0;
};

} // namespace

void walkFrameLayers(const zem::MessageOrigin& origin, std::optional<std::size_t> messageLength,
                     LayerSink& sink) {
    if (origin.carrying.empty())
        return;
    LayerWalk(origin, messageLength, sink).run();
    sink.done();
}

std::vector<FrameLayer> frameLayers(const zem::MessageOrigin& origin,
                                    std::optional<std::size_t> messageLength) {
    LayerNodes nodes;
    walkFrameLayers(origin, messageLength, nodes);
    return nodes.take();
}

std::vector<std::string_view> layerProtocols() {
    return {"frame", "eth", "vlan", "sll", "null", "raw",   "ip",
            "ipv6",  "udp", "tcp",  "tls", "dtls", "radius"};
}

} // namespace capture
