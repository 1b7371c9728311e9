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

/// Takes a frame's layers as they are read, outermost first: each layer, then its fields
/// and notes. The texts are lent for the call only, except a field's title, which is a
/// literal. Printing every frame's layers with -V, building nodes only to print and free
/// them took a third of the run.
class LayerSink {
public:
    virtual ~LayerSink() = default;
    /// A layer starts; `location` counts from the frame's first octet.
    virtual void layer(std::string_view protocol, std::string_view title, std::size_t location,
                       std::size_t length) = 0;
    /// A field of the current layer; `offset` counts from the layer's first octet.
    virtual void field(std::string_view title, std::string_view value, std::size_t offset,
                       std::size_t length) = 0;
    /// A line of the current layer that is no field of its header.
    virtual void note(std::string_view text) = 0;
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
