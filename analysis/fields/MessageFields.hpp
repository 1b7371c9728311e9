// MessageFields: the named values of a decoded message that -T fields prints and -Y and
// --find test: the property keys the plug-in registered, the capture's own fields
// (frame, time, epoch, src, dst, sport, dport, transport), the exchange's (responseFrame,
// requestFrame, responseTime, retransmissionOf), the EAP packet's (eap.code, eap.id,
// eap.len, eap.type, eap.identity, eap.desired_type), the TLS records' (TlsFields), the
// checks' (authenticatorCheck,
// messageAuthenticatorCheck, userPassword, exposure) and, with a dictionary, every
// attribute as avp.NAME; each also under tshark's name for it (FieldAliases).
#pragma once

#include "PlugInHost.hpp"
#include "ZEMPredicate.hpp"
#include "checks/ChecksNode.hpp"
#include "fields/AvpFields.hpp"
#include "fields/FieldAliases.hpp"
#include "message/DecodedMessage.hpp"

#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace analysis {

/// The fields the capture gives, in the order -G fields lists them.
std::span<const std::string_view> captureFieldNames();
/// The fields the exchange links give, in the order -G fields lists them.
std::span<const std::string_view> exchangeFieldNames();
/// The fields of the EAP packet a message carries, under tshark's names.
std::span<const std::string_view> eapFieldNames();
/// How a message's authentication ended (auth.method, auth.outcome, auth.reason).
std::span<const std::string_view> authenticationFieldNames();
/// The fields the checks give, in the order -G fields lists them.
std::span<const std::string_view> checkFieldNames();

class MessageFields {
public:
    explicit MessageFields(const zem::PlugInHost& host, CheckDisplay display = {},
                           const RadiusDictionary* dictionary = nullptr,
                           FieldOccurrence occurrence = {})
        : host_(host), display_(display), dictionary_(dictionary),
          occurrence_(std::move(occurrence)) {}

    /// A registered property key, a capture or check field, an avp.NAME the dictionary
    /// has, or tshark's name for one of them. Called while filters and forms are made,
    /// before any message is rendered: it also remembers what an avp.NAME or an alias
    /// names, so that rendering threads only look it up.
    bool known(std::string_view name) const;
    /// Whether a known name is an exchange or TLS field, or tshark's name for one: the run
    /// must link messages to their exchanges on the reading thread, where the fragments
    /// of a TLS message are joined too.
    bool readsExchange(std::string_view name) const;
    /// Whether a known name tells how the message's authentication ended: the reader
    /// must follow the authentications too.
    bool readsAuthentication(std::string_view name) const;
    /// The known name nearest to an unknown one, when one is near enough to suggest.
    std::optional<std::string> nearestName(std::string_view name) const;
    /// The one-line error for an unknown field given to `option` (-e, -Y), with the
    /// nearest known name when there is one.
    std::string unknownFieldError(std::string_view option, std::string_view name) const;
    /// tshark's name for a field of ours, as known() took it: ours, and where it has a value.
    struct ResolvedAlias {
        std::string ourName;
        std::uint8_t onlyFamily;
        std::string_view onlyTransport;
        AliasDirection onlyDirection;
    };
    enum class Kind {
        frame,
        time,
        epoch,
        src,
        dst,
        sport,
        dport,
        transport,
        eap,
        authentication,
        tls,
        exchange,
        check,
        avp,
        property
    };
    /// A known field, looked up once: a form that asks it of every message then looks up
    /// no name. Valid as long as this object and the name it was made from.
    struct Prepared {
        const ResolvedAlias* alias = nullptr; // when asked by tshark's name
        std::string_view name;                // ours
        Kind kind = Kind::property;
        std::optional<AvpField> avp;
        // A property's registration, looked up once rather than for every message.
        const zem::ZEMPlugInAnalyzerAttribute* attribute = nullptr;
    };
    /// Prepares a name that known() took.
    Prepared prepare(std::string_view name) const;
    /// The field's text, not yet made terminal-safe; nothing when the message has none.
    std::optional<std::string> text(std::string_view name, const DecodedMessage& message) const {
        return text(prepare(name), message);
    }
    std::optional<std::string> text(const Prepared& field, const DecodedMessage& message) const;
    /// The field as a predicate compares it: small numbers as numbers, the rest as text.
    std::optional<zem::ZEMPredicateValue> predicateValue(std::string_view name,
                                                         const DecodedMessage& message) const;
    /// The same for a TLS frame that carried no RADIUS message: its TLS fields and its
    /// frame number; every other field has no value there.
    std::optional<zem::ZEMPredicateValue> tlsFramePredicateValue(std::string_view name,
                                                                 const TlsFlight& flight,
                                                                 std::uint64_t frame) const;
    const zem::PlugInHost& host() const { return host_; }
    const CheckDisplay& checkDisplay() const { return display_; }
    /// The dictionary that avp.NAME fields come from; nullptr when there is none.
    const RadiusDictionary* dictionary() const { return dictionary_; }

private:
    bool knownAsIs(std::string_view name) const;
    // Our name for a name that known() took as an alias, or nothing when the alias has no
    // value for `message`; else the name itself.
    std::optional<std::string_view> resolved(std::string_view name,
                                             const DecodedMessage& message) const;
    static bool aliasHolds(const ResolvedAlias& alias, const DecodedMessage& message);
    Kind kindOf(std::string_view name) const;
    std::optional<std::string> checkText(std::string_view name, const DecodedMessage& m) const;
    std::optional<AvpField> avpField(std::string_view name) const;

    const zem::PlugInHost& host_;
    CheckDisplay display_;
    const RadiusDictionary* dictionary_;
    FieldOccurrence occurrence_;
    mutable std::map<std::string, AvpField, std::less<>> avpFields_;    // filled by known()
    mutable std::map<std::string, ResolvedAlias, std::less<>> aliases_; // filled by known()
};

} // namespace analysis
