#include "TlsFrameSummary.hpp"

#include <algorithm>
#include <array>

namespace capture {

namespace {

using Kind = TlsRecordEvent::Kind;

struct Name {
    std::uint8_t code;
    const char* name;
};

// Handshake messages and alerts by the names tshark's summary lines give them.
constexpr std::array<Name, 14> handshakeNames{{{0, "Hello Request"},
                                               {1, "Client Hello"},
                                               {2, "Server Hello"},
                                               {4, "New Session Ticket"},
                                               {5, "End of Early Data"},
                                               {8, "Encrypted Extensions"},
                                               {11, "Certificate"},
                                               {12, "Server Key Exchange"},
                                               {13, "Certificate Request"},
                                               {14, "Server Hello Done"},
                                               {15, "Certificate Verify"},
                                               {16, "Client Key Exchange"},
                                               {20, "Finished"},
                                               {24, "Key Update"}}};

constexpr std::array<Name, 26> alertNames{{{0, "Close Notify"},
                                           {10, "Unexpected Message"},
                                           {20, "Bad Record MAC"},
                                           {21, "Decryption Failed"},
                                           {22, "Record Overflow"},
                                           {40, "Handshake Failure"},
                                           {42, "Bad Certificate"},
                                           {43, "Unsupported Certificate"},
                                           {44, "Certificate Revoked"},
                                           {45, "Certificate Expired"},
                                           {46, "Certificate Unknown"},
                                           {47, "Illegal Parameter"},
                                           {48, "Unknown CA"},
                                           {49, "Access Denied"},
                                           {50, "Decode Error"},
                                           {51, "Decrypt Error"},
                                           {70, "Protocol Version"},
                                           {71, "Insufficient Security"},
                                           {80, "Internal Error"},
                                           {86, "Inappropriate Fallback"},
                                           {90, "User Canceled"},
                                           {109, "Missing Extension"},
                                           {110, "Unsupported Extension"},
                                           {112, "Unrecognized Name"},
                                           {116, "Certificate Required"},
                                           {120, "No Application Protocol"}}};

template <std::size_t N>
std::string named(const std::array<Name, N>& names, std::uint8_t code, const char* unknown) {
    for (const auto& row : names)
        if (row.code == code)
            return row.name;
    return std::string(unknown) + " (" + std::to_string(code) + ")";
}

std::string alertText(const TlsRecordEvent& event) {
    const char* level = event.code == 1 ? "Warning" : event.code == 2 ? "Fatal" : nullptr;
    std::string text = "Alert (Level: ";
    text += level ? std::string(level) : "Unknown (" + std::to_string(event.code) + ")";
    text += ", Description: ";
    text += named(alertNames, event.detail, "Unknown");
    return text + ")";
}

// What tshark calls each record's protocol in its detail lines.
const char* protocolOf(Kind kind) {
    switch (kind) {
    case Kind::handshake:
    case Kind::helloRetryRequest:
    case Kind::encryptedHandshake:
        return "Handshake Protocol";
    case Kind::changeCipherSpec:
        return "Change Cipher Spec Protocol";
    case Kind::alert:
    case Kind::encryptedAlert:
        return "Alert Protocol";
    case Kind::applicationData:
        return "Application Data Protocol";
    case Kind::record:
        return "Record";
    }
    return "";
}

std::string eventText(const TlsRecordEvent& event) {
    switch (event.kind) {
    case Kind::handshake:
        return named(handshakeNames, event.code, "Unknown Handshake Message");
    case Kind::helloRetryRequest:
        return "Hello Retry Request";
    case Kind::changeCipherSpec:
        return "Change Cipher Spec";
    case Kind::alert:
        return alertText(event);
    case Kind::encryptedAlert:
        return "Encrypted Alert";
    case Kind::encryptedHandshake:
        return "Encrypted Handshake Message";
    case Kind::applicationData:
        return "Application Data";
    case Kind::record:
        return "";
    }
    return "";
}

} // namespace

std::string tlsFrameInfo(std::span<const TlsRecordEvent> events) {
    std::string info;
    for (const auto& event : events) {
        if (event.kind == Kind::record)
            continue;
        if (!info.empty())
            info += ", ";
        info += eventText(event);
    }
    return info;
}

void addTlsRecordEvents(zem::ZEMNode& layer, std::span<const TlsRecordEvent> events) {
    for (const auto& event : events)
        if (event.kind != Kind::record)
            layer.addChild(zem::ZEMNode::nodeWithName(
                zem::ZEMNodeText::lasting(protocolOf(event.kind)), eventText(event)));
}

bool tlsFrameShown(std::span<const TlsRecordEvent> events, bool carriedMessage) {
    if (events.empty())
        return false;
    return !carriedMessage || !std::all_of(events.begin(), events.end(), [](const auto& event) {
        return event.kind == Kind::applicationData || event.kind == Kind::record;
    });
}

} // namespace capture
