// DecodedMessage: one captured RADIUS message, decoded once, for every analysis and both
// front ends to read. It is made by one function from what the capture gives (the
// origin and the octets) and what the plug-in answers (its analyzer). Everything beyond
// that (the attribute list walked under the plug-in's rules, the checks, the
// dictionary's names for the attributes, the facts the reports count) is worked out once,
// on first use, and kept with it: a plain summary line costs no more than the plug-in's.
//
//   auto message = DecodedMessage::decode(host, origin, octets, checkInput);
//   if (message) { message->wire().attributes; message->checks(); message->facts(); }
//
// A decoded message reads the octets it was made from and must not outlive them. It is
// used by one thread at a time.
#pragma once

#include "MessageOrigin.hpp"
#include "PlugInHost.hpp"
#include "ZEMPluginAnalyzerProtocol.hpp"
#include "checks/MessageChecks.hpp"
#include "dictionary/AttributeList.hpp"
#include "eap/EapPacket.hpp"
#include "exchanges/ExchangeLinks.hpp"
#include "message/MessageFacts.hpp"
#include "tls/TlsFlight.hpp"
#include "wire/WireMessage.hpp"

#include <memory>
#include <optional>

namespace analysis {

class DecodedMessage {
public:
    /// Nothing when the plug-in refuses the octets (fewer than 20). `checkInput` is what
    /// checking it needs beyond the octets: the client's secret, and for a response the
    /// authenticator of its request. `links` tie it to the rest of its exchange, as the
    /// capture's reader found them.
    static std::optional<DecodedMessage>
    decode(const zem::PlugInHost& host, const zem::MessageOrigin& origin, zem::ByteView octets,
           const CheckInput& checkInput = {}, const ExchangeLinks& links = {});

    const zem::PlugInHost& host() const { return *host_; }
    const zem::MessageOrigin& origin() const { return origin_; }
    zem::ByteView octets() const { return octets_; }
    const zem::ZEMPluginAnalyzerProtocol& analyzer() const { return *analyzer_; }
    /// The header and the attribute list.
    const WireMessage& wire() const { return attributes().wire(); }
    const AttributeList& attributes() const;
    std::uint8_t code() const { return octets_.span()[0]; } // a message has 20 octets
    const ExchangeLinks& exchange() const { return links_; }

    const MessageChecks& checks() const;
    /// The EAP packet its EAP-Message attributes carry, joined; nothing without one.
    const std::optional<EapPacket>& eap() const;
    /// The TLS records its EAP method carries: a whole TLS message, or the last fragment
    /// of one joined with the earlier ones (see ExchangeLinks); nothing on a fragment
    /// that more follow, or without TLS.
    const std::optional<TlsFlight>& tls() const;
    /// The attributes as `dictionary` names them; kept for the dictionary asked first.
    const NamedAttributes& namedAttributes(const RadiusDictionary& dictionary) const {
        return attributes().named(dictionary);
    }
    /// The facts the reports count; what `wanted` leaves out is not worked out. Kept as
    /// the first call made them.
    const MessageFacts& facts(FactsWanted wanted = {}) const;
    /// The same, handed over: for a caller that keeps them longer than the message.
    MessageFacts takeFacts(FactsWanted wanted = {});

    /// Only decode() makes one: the key is its own.
    class Key {
        friend class DecodedMessage;
        Key() = default;
    };
    DecodedMessage(Key, const zem::PlugInHost& host, const zem::MessageOrigin& origin,
                   std::unique_ptr<zem::ZEMPluginAnalyzerProtocol> analyzer, zem::ByteView octets,
                   const CheckInput& checkInput, const ExchangeLinks& links);

private:
    const zem::PlugInHost* host_;
    zem::MessageOrigin origin_;
    std::unique_ptr<zem::ZEMPluginAnalyzerProtocol> analyzer_;
    zem::ByteView octets_; // at least a header's 20
    CheckInput checkInput_;
    ExchangeLinks links_;
    mutable std::optional<AttributeList> attributes_;
    mutable std::optional<MessageChecks> checks_;
    mutable std::optional<std::optional<EapPacket>> eap_;
    mutable std::optional<std::optional<TlsFlight>> tls_;
    mutable std::optional<MessageFacts> facts_;
};

} // namespace analysis
