#include "reports/AuthenticationFacts.hpp"

#include "eap/EapPacket.hpp"
#include "tls/X509Summary.hpp"
#include "wire/RadiusProtocol.hpp"

namespace analysis {

namespace {

constexpr std::uint8_t userName = 1, userPassword = 2, chapPassword = 3, replyMessage = 18,
                       state = 24, vendorSpecific = 26, callingStationId = 31;
constexpr std::uint32_t microsoft = 311;
constexpr std::uint8_t msChapResponse = 1, msChap2Response = 25;

std::string text(zem::ByteView value) {
    return std::string(reinterpret_cast<const char*>(value.span().data()), value.size());
}

bool carriesMsChap(const Attribute& attribute) {
    if (attribute.value.size() < 6 || attribute.value.loadBigEndian32(0) != microsoft)
        return false;
    bool found = false;
    forEachSubAttribute(attribute.value, 4, [&](std::uint8_t type, zem::ByteView) {
        found = found || type == msChapResponse || type == msChap2Response;
    });
    return found;
}

} // namespace

std::optional<AuthenticationFacts> authenticationFacts(const WireMessage& wire,
                                                       const std::optional<EapPacket>& eap) {
    if (wire.code != 1 && wire.code != 2 && wire.code != 3 && wire.code != 11)
        return std::nullopt;
    AuthenticationFacts facts;
    for (const auto& attribute : wire.attributes) {
        switch (attribute.type) {
        case userName:
            if (facts.userName.empty())
                facts.userName = text(attribute.value);
            break;
        case userPassword:
            facts.password = true;
            break;
        case chapPassword:
            facts.chap = true;
            break;
        case replyMessage:
            facts.replyMessage += text(attribute.value);
            break;
        case state:
            facts.state = text(attribute.value);
            break;
        case callingStationId:
            facts.callingStationId = text(attribute.value);
            break;
        case vendorSpecific:
            facts.msChap = facts.msChap || carriesMsChap(attribute);
            break;
        default:
            break;
        }
    }
    if (eap) {
        facts.eapCode = eap->code;
        facts.eapType = eap->type;
        if (eap->type == 3)
            facts.eapDesired = text(eap->typeData());
    }
    return facts;
}

TlsFacts tlsFacts(const TlsFlight& flight) {
    TlsFacts facts;
    facts.alert = flight.alert();
    facts.version = flight.chosenVersion();
    facts.cipherSuite = flight.chosenCipherSuite();
    for (const auto& message : flight.handshakes) {
        if (!facts.certificate && !message.certificates.empty())
            if (const auto summary = summarizeCertificate(message.certificates.front()))
                facts.certificate =
                    CertificateFacts{summary->subject, summary->issuer, summary->notAfter,
                                     summary->notBeforeSeconds, summary->notAfterSeconds};
        for (const auto& authority : message.certificateAuthorities)
            if (auto name = distinguishedNameText(authority))
                facts.acceptedAuthorities.push_back(std::move(*name));
    }
    return facts;
}

} // namespace analysis
