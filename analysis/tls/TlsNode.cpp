#include "tls/TlsNode.hpp"

#include "tls/TlsNames.hpp"
#include "tls/X509Summary.hpp"

namespace analysis {

namespace {

void add(zem::ZEMNode& node, std::string title, std::string value) {
    node.addChild(
        std::make_unique<zem::ZEMNode>(std::move(title), zem::ZEMNodeText(std::move(value))));
}

zem::ZEMNode& addBranch(zem::ZEMNode& node, std::string title, std::string value) {
    auto child =
        std::make_unique<zem::ZEMNode>(std::move(title), zem::ZEMNodeText(std::move(value)));
    auto& added = *child;
    node.addChild(std::move(child));
    return added;
}

// "NAME (NUMBER)", or the number alone when it has no name.
std::string named(std::optional<std::string_view> name, std::string number) {
    if (!name)
        return number;
    std::string text(*name);
    text += " (";
    text += number;
    text += ')';
    return text;
}

std::string versionText(std::uint16_t version) {
    return named(tlsVersionName(version), hex16(version));
}

std::string suiteText(std::uint16_t suite) {
    const auto name = tlsCipherSuiteName(suite);
    return named(name ? std::optional<std::string_view>(*name) : std::nullopt, hex16(suite));
}

std::string octets(std::size_t count) {
    std::string text = std::to_string(count);
    text += count == 1 ? " octet" : " octets";
    return text;
}

void addCertificate(zem::ZEMNode& node, const zem::ByteBuffer& der) {
    const auto summary = summarizeCertificate(der);
    if (!summary) {
        add(node, "Certificate", octets(der.size()) + ", not readable as X.509");
        return;
    }
    auto& certificate = addBranch(node, "Certificate", summary->subject);
    add(certificate, "Subject", summary->subject);
    add(certificate, "Issuer", summary->issuer);
    add(certificate, "Not Before", summary->notBefore);
    add(certificate, "Not After", summary->notAfter);
    add(certificate, "Public Key", summary->key);
    add(certificate, "Serial Number", summary->serial);
}

void addHandshake(zem::ZEMNode& node, const TlsHandshake& message) {
    std::string value = named(tlsHandshakeName(message.type), std::to_string(message.type));
    value += ", ";
    value += octets(message.length);
    auto& handshake = addBranch(node, "Handshake", std::move(value));
    if (message.version)
        add(handshake, "Version", versionText(*message.version));
    if (message.type == tlsHandshake::serverHello && !message.cipherSuites.empty())
        add(handshake, "Cipher Suite", suiteText(message.cipherSuites.front()));
    else if (!message.cipherSuites.empty()) {
        auto& suites =
            addBranch(handshake, "Cipher Suites", std::to_string(message.cipherSuites.size()));
        for (const auto suite : message.cipherSuites)
            add(suites, "Cipher Suite", suiteText(suite));
    }
    if (message.serverName)
        add(handshake, "Server Name", *message.serverName);
    for (const auto version : message.supportedVersions)
        add(handshake, "Supported Version", versionText(version));
    if (!message.extensions.empty()) {
        std::string names;
        for (const auto type : message.extensions) {
            if (!names.empty())
                names += ", ";
            names += named(tlsExtensionName(type), std::to_string(type));
        }
        add(handshake, "Extensions", std::move(names));
    }
    for (const auto& certificate : message.certificates)
        addCertificate(handshake, certificate);
    for (const auto& authority : message.certificateAuthorities)
        add(handshake, "Certificate Authority",
            distinguishedNameText(authority).value_or(octets(authority.size())));
}

} // namespace

std::unique_ptr<zem::ZEMNode> tlsNode(const TlsFlight& flight) {
    auto node = zem::ZEMNode::nodeWithName("TLS");
    std::size_t encrypted = 0;
    for (const auto& record : flight.records) {
        std::string value =
            named(tlsContentTypeName(record.contentType), std::to_string(record.contentType));
        value += ", ";
        value += versionText(record.version);
        value += ", ";
        value += octets(record.length);
        if (record.encrypted) {
            value += ", encrypted";
            ++encrypted;
        }
        add(*node, "Record", std::move(value));
        if (record.alert) {
            std::string alert =
                named(tlsAlertLevelName(record.alert->level), std::to_string(record.alert->level));
            alert += ": ";
            alert += named(tlsAlertName(record.alert->description),
                           std::to_string(record.alert->description));
            add(*node, "Alert", std::move(alert));
        }
    }
    for (const auto& message : flight.handshakes)
        addHandshake(*node, message);
    if (encrypted)
        add(*node, "Encrypted Records", std::to_string(encrypted));
    for (const auto& note : flight.notes)
        add(*node, "Note", note);
    return node;
}

} // namespace analysis
