#include "TlsJson.hpp"

#include "tls/TlsNames.hpp"
#include "tls/X509Summary.hpp"

namespace app {

namespace {

void appendRecords(JsonWriter& json, const analysis::TlsFlight& flight) {
    json.key("records");
    json.beginArray();
    for (const auto& record : flight.records) {
        json.beginObject();
        json.key("contentType");
        json.number(std::uint64_t{record.contentType});
        json.key("version");
        json.string(analysis::hex16(record.version));
        json.key("length");
        json.number(std::uint64_t{record.length});
        if (record.encrypted) {
            json.key("encrypted");
            json.boolean(true);
        }
        json.endObject();
    }
    json.endArray();
}

void appendHandshake(JsonWriter& json, const analysis::TlsHandshake& message) {
    json.beginObject();
    json.key("type");
    json.number(std::uint64_t{message.type});
    if (const auto name = analysis::tlsHandshakeName(message.type)) {
        json.key("name");
        json.string(*name);
    }
    json.key("length");
    json.number(std::uint64_t{message.length});
    if (message.version) {
        json.key("version");
        json.string(analysis::hex16(*message.version));
    }
    const auto numbers = [&json](std::string_view key, const std::vector<std::uint16_t>& list) {
        if (list.empty())
            return;
        json.key(key);
        json.beginArray();
        for (const auto number : list)
            json.string(analysis::hex16(number));
        json.endArray();
    };
    numbers("cipherSuites", message.cipherSuites);
    numbers("supportedVersions", message.supportedVersions);
    if (message.serverName) {
        json.key("serverName");
        json.string(*message.serverName);
    }
    if (!message.certificateAuthorities.empty()) {
        json.key("certificateAuthorities");
        json.beginArray();
        for (const auto& authority : message.certificateAuthorities)
            if (const auto text = analysis::distinguishedNameText(authority))
                json.string(*text);
        json.endArray();
    }
    json.endObject();
}

void appendCertificates(JsonWriter& json, const analysis::TlsFlight& flight) {
    bool any = false;
    for (const auto& message : flight.handshakes)
        for (const auto& der : message.certificates) {
            const auto summary = analysis::summarizeCertificate(der);
            if (!summary)
                continue;
            if (!any) {
                json.key("certificates");
                json.beginArray();
                any = true;
            }
            json.beginObject();
            for (const auto& [key, value] :
                 {std::pair{"subject", &summary->subject}, std::pair{"issuer", &summary->issuer},
                  std::pair{"notBefore", &summary->notBefore},
                  std::pair{"notAfter", &summary->notAfter}, std::pair{"key", &summary->key},
                  std::pair{"serial", &summary->serial}}) {
                json.key(key);
                json.string(*value);
            }
            json.endObject();
        }
    if (any)
        json.endArray();
}

void appendAlerts(JsonWriter& json, const analysis::TlsFlight& flight) {
    bool any = false;
    for (const auto& record : flight.records) {
        if (!record.alert)
            continue;
        if (!any) {
            json.key("alerts");
            json.beginArray();
            any = true;
        }
        json.beginObject();
        json.key("level");
        json.number(std::uint64_t{record.alert->level});
        json.key("description");
        json.number(std::uint64_t{record.alert->description});
        if (const auto name = analysis::tlsAlertName(record.alert->description)) {
            json.key("name");
            json.string(*name);
        }
        json.endObject();
    }
    if (any)
        json.endArray();
}

} // namespace

void appendTls(JsonWriter& json, const analysis::TlsFlight& flight) {
    json.key("tls");
    json.beginObject();
    appendRecords(json, flight);
    json.key("handshakes");
    json.beginArray();
    for (const auto& message : flight.handshakes)
        appendHandshake(json, message);
    json.endArray();
    appendCertificates(json, flight);
    appendAlerts(json, flight);
    if (!flight.notes.empty()) {
        json.key("notes");
        json.beginArray();
        for (const auto& note : flight.notes)
            json.string(note);
        json.endArray();
    }
    json.endObject();
}

} // namespace app
