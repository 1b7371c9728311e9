#include "fields/TlsFields.hpp"

#include "tls/TlsNames.hpp"
#include "tls/X509Summary.hpp"

#include <algorithm>
#include <array>

namespace analysis {

namespace {

using Texts = std::vector<std::string>;

template <typename Each> Texts eachRecord(const TlsFlight& flight, Each each) {
    Texts texts;
    for (const auto& record : flight.records)
        each(record, texts);
    return texts;
}

template <typename Each> Texts eachHandshake(const TlsFlight& flight, Each each) {
    Texts texts;
    for (const auto& message : flight.handshakes)
        each(message, texts);
    return texts;
}

template <typename Field> Texts eachCertificate(const TlsFlight& flight, Field field) {
    Texts texts;
    for (const auto& message : flight.handshakes)
        for (const auto& der : message.certificates)
            if (const auto summary = summarizeCertificate(der))
                texts.push_back(field(*summary));
    return texts;
}

struct TlsFieldRow {
    std::string_view name;
    bool numeric;
    Texts (*occurrences)(const TlsFlight&);
};

// tshark prints content types, handshake types and alerts in decimal, versions and
// suites as four hexadecimal digits.
constexpr std::array<TlsFieldRow, 11> rows = {{
    {"tls.record.content_type", true,
     [](const TlsFlight& f) {
         return eachRecord(f, [](const TlsRecord& r, Texts& t) {
             if (!r.typeHidden)
                 t.push_back(std::to_string(r.contentType));
         });
     }},
    {"tls.record.version", true,
     [](const TlsFlight& f) {
         return eachRecord(f, [](const TlsRecord& r, Texts& t) { t.push_back(hex16(r.version)); });
     }},
    {"tls.handshake.type", true,
     [](const TlsFlight& f) {
         return eachHandshake(
             f, [](const TlsHandshake& h, Texts& t) { t.push_back(std::to_string(h.type)); });
     }},
    {"tls.handshake.ciphersuite", true,
     [](const TlsFlight& f) {
         return eachHandshake(f, [](const TlsHandshake& h, Texts& t) {
             for (const auto suite : h.cipherSuites)
                 t.push_back(hex16(suite));
         });
     }},
    {"tls.handshake.extensions_server_name", false,
     [](const TlsFlight& f) {
         return eachHandshake(f, [](const TlsHandshake& h, Texts& t) {
             if (h.serverName)
                 t.push_back(*h.serverName);
         });
     }},
    {"tls.alert_message.level", true,
     [](const TlsFlight& f) {
         return eachRecord(f, [](const TlsRecord& r, Texts& t) {
             if (r.alert)
                 t.push_back(std::to_string(r.alert->level));
         });
     }},
    {"tls.alert_message.desc", true,
     [](const TlsFlight& f) {
         return eachRecord(f, [](const TlsRecord& r, Texts& t) {
             if (r.alert)
                 t.push_back(std::to_string(r.alert->description));
         });
     }},
    {"tls.handshake.version", true,
     [](const TlsFlight& f) {
         return eachHandshake(f, [](const TlsHandshake& h, Texts& t) {
             if (h.version)
                 t.push_back(hex16(*h.version));
         });
     }},
    {"x509.subject", false,
     [](const TlsFlight& f) {
         return eachCertificate(f, [](const X509Summary& c) { return c.subject; });
     }},
    {"x509.issuer", false,
     [](const TlsFlight& f) {
         return eachCertificate(f, [](const X509Summary& c) { return c.issuer; });
     }},
    {"x509.notAfter", false,
     [](const TlsFlight& f) {
         return eachCertificate(f, [](const X509Summary& c) { return c.notAfter; });
     }},
}};

constexpr auto names = [] {
    std::array<std::string_view, rows.size()> all{};
    for (std::size_t i = 0; i < rows.size(); ++i)
        all[i] = rows[i].name;
    return all;
}();

const TlsFieldRow* rowNamed(std::string_view name) {
    const auto row = std::find_if(rows.begin(), rows.end(),
                                  [name](const TlsFieldRow& r) { return r.name == name; });
    return row == rows.end() ? nullptr : &*row;
}

} // namespace

std::span<const std::string_view> tlsFieldNames() {
    return names;
}

bool isTlsField(std::string_view name) {
    return rowNamed(name) != nullptr;
}

bool isNumericTlsField(std::string_view name) {
    const auto* row = rowNamed(name);
    return row && row->numeric;
}

std::vector<std::string> tlsFieldOccurrences(std::string_view name, const TlsFlight& flight) {
    const auto* row = rowNamed(name);
    return row ? row->occurrences(flight) : Texts{};
}

} // namespace analysis
