// FrameLayers: the frame and the layers that carried a RADIUS message, as detail-tree
// nodes in the words a Wireshark user knows ("Frame 1: 167 bytes on wire …", "Ethernet
// II, Src: …", "Internet Protocol Version 4, Src: …", "User Datagram Protocol, …"), each
// with its fields and the octets it covers in the frame. Shown above the plug-in's own
// nodes; a layer that cannot be read ends the list where it is.
//
//   for (const auto& layer : capture::frameLayers(origin, message.size()))
//       print(*layer.node);
//
// or, without nodes, through a LayerSink that takes each layer and field as it comes.
#pragma once

#include "MessageOrigin.hpp"
#include "ZEMNode.hpp"

#include <memory>
#include <string_view>
#include <vector>

namespace capture {

struct FrameLayer {
    /// The layer's short name, as tshark's -O takes it: frame, eth, vlan, sll, null,
    /// raw, ip, ipv6, udp, tcp, tls, dtls.
    std::string_view protocol;
    /// Its location counts from the frame's first octet, its children's from it.
    std::unique_ptr<zem::ZEMNode> node;
};

/// What a line of a frame's layers is: a layer's title, one of its fields, or a line of it
/// that is no field of its header.
enum class LayerLine { layer, field, note };

/// Takes a frame's layers as they are read, outermost first: each layer, then its fields
/// and notes. For each line the sink makes room, the walk writes the line's text there (a
/// layer's title, a field's value, a note) and says where it ended: -V's lines are written
/// where they are printed, each in one piece. Every text is the walk's own (numbers,
/// addresses, names from its tables), printable ASCII that needs no escape.
class LayerSink {
public:
    virtual ~LayerSink() = default;
    /// Starts a line with room for `bound` characters of text, and answers where the text
    /// goes. `name`: a layer's short name (see FrameLayer::protocol), a field's title (a
    /// literal), nothing for a note.
    virtual char* begin(LayerLine line, std::string_view name, std::size_t bound) = 0;
    /// Ends the line begun last, whose text ends at `textEnd`. A layer's `location` counts
    /// from the frame's first octet, a field's from its layer's; a note has neither.
    virtual void end(char* textEnd, std::size_t location, std::size_t length) = 0;
    /// The walk is over: no line follows.
    virtual void done() {}
};

/// Hands the layers of `origin.carrying` to `sink`; none when it holds no frame (a
/// message given as hexadecimal, or read without asking for frames). `messageLength`:
/// the RADIUS message's, nothing for a TLS frame that carried none.
void walkFrameLayers(const zem::MessageOrigin& origin, std::optional<std::size_t> messageLength,
                     LayerSink& sink);

/// The same layers as nodes.
std::vector<FrameLayer> frameLayers(const zem::MessageOrigin& origin,
                                    std::optional<std::size_t> messageLength);

/// Every short name frameLayers uses, and "radius" for the plug-in's own nodes.
std::vector<std::string_view> layerProtocols();

} // namespace capture
