// TlsMessageJoiner: joins the fragments of one TLS message that EAP-TLS and its kin
// send over several round trips (RFC 5216 section 2.1.5), as the capture is read, so that
// the message carrying the last fragment shows the whole TLS message.
//
// Fragments are joined within one authentication and one direction: the round trips are
// chained by the State each Access-Challenge hands out and the next Access-Request
// returns, within one client (RFC 2865 section 5.24), and a response by the request it
// answers (the one pairing rule); never by addresses and ports alone, which supplicants
// behind one NAS share. Copies sent again (the same EAP Identifier) add nothing. What waits is
// bounded: at most `capacity` messages being joined, each at most `maxMessageOctets`, for the
// matcher's window of capture time.
//
//   TlsMessageJoiner joiner;
//   links.tlsMessage = joiner.next(origin, octets);   // in capture order
#pragma once

#include "ByteView.hpp"
#include "LruTable.hpp"
#include "MessageOrigin.hpp"
#include "exchanges/ExchangeKey.hpp"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace analysis {

class TlsMessageJoiner {
public:
    static constexpr std::size_t maxMessageOctets = 1u << 16;
    static constexpr std::size_t capacity = 1024;
    static constexpr std::size_t chainCapacity = 1u << 16;
    static constexpr double windowSeconds = 60;

    TlsMessageJoiner() : states_(chainCapacity), requests_(chainCapacity), partial_(capacity) {}

    /// The whole TLS message, on the message that carries the last of two or more
    /// fragments (or a copy of it); nothing on any other.
    std::shared_ptr<const zem::ByteBuffer> next(const zem::MessageOrigin& origin,
                                                zem::ByteView message);

private:
    struct PartialKey {
        std::uint64_t chain = 0;
        bool fromServer = false;
        bool operator==(const PartialKey&) const = default;
    };
    struct PartialKeyHash {
        std::size_t operator()(const PartialKey& key) const noexcept {
            return std::hash<std::uint64_t>()(key.chain * 2 + (key.fromServer ? 1 : 0));
        }
    };
    struct Partial {
        zem::ByteBuffer octets;
        std::optional<std::uint8_t> lastIdentifier;   // the EAP Identifier of the last fragment
        std::shared_ptr<const zem::ByteBuffer> whole; // once the last fragment came
        bool tooLong = false;
    };

    std::uint64_t nextChain_ = 1;
    zem::LruTable<std::string, std::uint64_t, std::hash<std::string>> states_; // client+State
    zem::LruTable<ExchangeKey, std::uint64_t, ExchangeKeyHash> requests_;
    zem::LruTable<PartialKey, Partial, PartialKeyHash> partial_;
};

} // namespace analysis
