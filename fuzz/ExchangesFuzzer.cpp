// Fuzz target for linking messages to their exchanges: a run of message headers (code,
// identifier, authenticator, direction, client port, time step) through the linker with a
// small table and window, so that giving up by time, by room and by a reused Identifier
// all happen. Every request left waiting must be settled exactly once.
#include "exchanges/ExchangeLinker.hpp"

#include <cstdint>
#include <cstdlib>
#include <set>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t record = 6;
    analysis::ExchangeLinker linker(2.0, 8);
    std::set<std::uint64_t> waiting;
    const auto settle = [&] {
        for (const auto& done : linker.takeResolved())
            if (waiting.erase(done.sequence) != 1)
                std::abort(); // settled twice, or never waiting
    };
    double time = 0;
    std::uint64_t sequence = 0;
    for (std::size_t at = 0; at + record <= size; at += record, ++sequence) {
        // Codes 1-5, 11-13 and 40-45 most of the time: requests and their answers.
        static constexpr std::uint8_t codes[] = {1, 2, 3, 4, 5, 11, 12, 13, 40, 41, 42, 43, 44, 45};
        const std::uint8_t pick = data[at];
        const std::uint8_t code = pick < 224 ? codes[pick % sizeof codes] : pick;
        zem::ByteBuffer message(20, data[at + 2] & 3); // few authenticators: copies happen
        message[0] = code;
        message[1] = data[at + 1] & 7;
        message[3] = 20;
        const bool fromClient = (data[at + 3] & 1) != 0;
        const std::uint16_t clientPort = 40000 + (data[at + 3] >> 6);
        time += (static_cast<double>(data[at + 4]) - 16) / 64; // now and then backwards
        zem::MessageOrigin origin;
        origin.frame = sequence + 1;
        origin.time = time;
        origin.source.bytes[0] = fromClient ? 10 : 192;
        origin.destination.bytes[0] = fromClient ? 192 : 10;
        origin.sourcePort = fromClient ? clientPort : 1812;
        origin.destinationPort = fromClient ? 1812 : clientPort;
        origin.transport =
            (data[at + 5] & 1) ? zem::MessageTransport::tcp : zem::MessageTransport::udp;
        const auto links =
            linker.next(origin, zem::ByteView(std::span<const std::uint8_t>(message)), sequence);
        settle();
        if (analysis::isRequestCode(code) && !links.responseFrame)
            waiting.insert(sequence);
        if (links.requestFrame && *links.requestFrame > origin.frame)
            std::abort(); // a response answers only what came before it
    }
    linker.finish();
    settle();
    if (!waiting.empty())
        std::abort(); // a request never settled
    return 0;
}
