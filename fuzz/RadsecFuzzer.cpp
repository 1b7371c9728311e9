// Fuzz target for RADIUS over TLS and DTLS: TLS records cut from a TCP stream (or DTLS
// records from datagrams), the hellos, the key schedule, record decryption and the RADIUS
// messages cut from what decrypts. The key logs of the RadSec samples are loaded, so an
// input that starts like one of their connections reaches the decryption of its records.
//
// Input: a flags octet (bit 0: DTLS over UDP, else TLS over TCP), then chunks, each a
// direction octet (bit 0: server to client), a two-octet length and that many octets,
// one millisecond apart. TCP chunks follow each other in sequence in their direction.
// What each chunk's records were (its summary line) is worked out too.
#include "TlsFrameSummary.hpp"
#include "TlsTransport.hpp"

#include <array>
#include <cstdint>
#include <fstream>
#include <sstream>

namespace {

capture::TlsKeyLog& sampleKeys() {
    static capture::TlsKeyLog keys;
    return keys;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    for (const char* name : {"radsec-tls12.keys", "radsec-tls13.keys"}) {
        std::ifstream in(std::string(RADIUS_FUZZ_SAMPLES) + "/" + name);
        std::ostringstream text;
        text << in.rdbuf();
        sampleKeys().addText(text.str());
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zem::ByteView input(std::span(data, size));
    auto flags = input.at(0);
    if (!flags)
        return 0;
    const bool datagram = (*flags & 1) != 0;
    capture::TlsTransport transport(sampleKeys());
    transport.collectRecordEvents(true); // what each frame's line says
    static const auto loopback = *zem::IPAddress::parse("127.0.0.1");
    const capture::StreamKey toServer{loopback, loopback, 40000, 2083};
    const capture::StreamKey toClient{toServer.destination, toServer.source, 2083, 40000};
    std::array<std::uint32_t, 2> sequence{1000, 5000};
    std::uint64_t seen = 0, frame = 0;
    const auto sink = [&](const capture::StreamKey&, zem::ByteView message,
                          std::span<const std::uint64_t> frames) {
        seen += message.size() + frames.size();
    };
    std::size_t offset = 1;
    double time = 1700000000;
    while (auto direction = input.at(offset)) {
        auto length = input.loadBigEndian16(offset + 1);
        if (!length)
            break;
        const zem::ByteView chunk = input.slice(offset + 3, *length);
        offset += 3u + *length;
        const bool fromServer = (*direction & 1) != 0;
        const auto& key = fromServer ? toClient : toServer;
        ++frame;
        if (datagram) {
            transport.datagram(key, chunk, time, frame, 2083, sink);
        } else {
            capture::TCPSegment segment{key.sourcePort,
                                        key.destinationPort,
                                        sequence[fromServer ? 1 : 0],
                                        false,
                                        false,
                                        false,
                                        chunk};
            sequence[fromServer ? 1 : 0] += static_cast<std::uint32_t>(chunk.size());
            transport.segment(key, segment, time, frame, 2083, sink);
        }
        seen += capture::tlsFrameInfo(transport.lastRecordEvents()).size();
        time += 0.001;
    }
    seen += transport.takeNotes().size() + transport.decryptedRecords();
    return seen == 0xFFFFFFFFFFFFFFFF; // keeps the sink's reads from being optimised away
}
