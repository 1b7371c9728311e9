// FrameLayers: the frame and the layers that carried a RADIUS message, as detail-tree
// nodes in the words a Wireshark user knows ("Frame 1: 167 bytes on wire …", "Ethernet
// II, Src: …", "Internet Protocol Version 4, Src: …", "User Datagram Protocol, …"), each
// with its fields and the octets it covers in the frame. Shown above the plug-in's own
// nodes; a layer that cannot be read ends the list where it is.
//
//   for (const auto& layer : capture::frameLayers(origin, message.size()))
//       print(*layer.node);
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

/// The layers of `origin.carrying`, outermost first; none when it holds no frame (a
/// message given as hexadecimal, or read without asking for frames). `messageLength`:
/// the RADIUS message's, nothing for a TLS frame that carried none.
std::vector<FrameLayer> frameLayers(const zem::MessageOrigin& origin,
                                    std::optional<std::size_t> messageLength);

/// Every short name frameLayers uses, and "radius" for the plug-in's own nodes.
std::vector<std::string_view> layerProtocols();

} // namespace capture
