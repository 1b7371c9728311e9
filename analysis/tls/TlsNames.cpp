#include "tls/TlsNames.hpp"

#include <algorithm>
#include <array>
#include <cstdio>
#include <openssl/ssl.h>
#include <utility>

namespace analysis {

namespace {

template <typename Number, std::size_t N>
std::optional<std::string_view>
lookUp(const std::array<std::pair<Number, std::string_view>, N>& rows, Number number) {
    const auto row = std::find_if(rows.begin(), rows.end(),
                                  [number](const auto& r) { return r.first == number; });
    if (row == rows.end())
        return std::nullopt;
    return row->second;
}

using Row8 = std::pair<std::uint8_t, std::string_view>;
using Row16 = std::pair<std::uint16_t, std::string_view>;

constexpr std::array contentTypes = {
    Row8{20, "Change Cipher Spec"}, Row8{21, "Alert"},     Row8{22, "Handshake"},
    Row8{23, "Application Data"},   Row8{24, "Heartbeat"},
};

constexpr std::array versions = {
    Row16{0x0300, "SSL 3.0"}, Row16{0x0301, "TLS 1.0"}, Row16{0x0302, "TLS 1.1"},
    Row16{0x0303, "TLS 1.2"}, Row16{0x0304, "TLS 1.3"},
};

constexpr std::array handshakes = {
    Row8{0, "HelloRequest"},     Row8{1, "ClientHello"},        Row8{2, "ServerHello"},
    Row8{4, "NewSessionTicket"}, Row8{5, "EndOfEarlyData"},     Row8{8, "EncryptedExtensions"},
    Row8{11, "Certificate"},     Row8{12, "ServerKeyExchange"}, Row8{13, "CertificateRequest"},
    Row8{14, "ServerHelloDone"}, Row8{15, "CertificateVerify"}, Row8{16, "ClientKeyExchange"},
    Row8{20, "Finished"},        Row8{22, "CertificateStatus"}, Row8{24, "KeyUpdate"},
    Row8{254, "MessageHash"},
};

constexpr std::array alertLevels = {Row8{1, "warning"}, Row8{2, "fatal"}};

constexpr std::array alerts = {
    Row8{0, "close_notify"},
    Row8{10, "unexpected_message"},
    Row8{20, "bad_record_mac"},
    Row8{21, "decryption_failed"},
    Row8{22, "record_overflow"},
    Row8{30, "decompression_failure"},
    Row8{40, "handshake_failure"},
    Row8{41, "no_certificate"},
    Row8{42, "bad_certificate"},
    Row8{43, "unsupported_certificate"},
    Row8{44, "certificate_revoked"},
    Row8{45, "certificate_expired"},
    Row8{46, "certificate_unknown"},
    Row8{47, "illegal_parameter"},
    Row8{48, "unknown_ca"},
    Row8{49, "access_denied"},
    Row8{50, "decode_error"},
    Row8{51, "decrypt_error"},
    Row8{60, "export_restriction"},
    Row8{70, "protocol_version"},
    Row8{71, "insufficient_security"},
    Row8{80, "internal_error"},
    Row8{86, "inappropriate_fallback"},
    Row8{90, "user_canceled"},
    Row8{100, "no_renegotiation"},
    Row8{109, "missing_extension"},
    Row8{110, "unsupported_extension"},
    Row8{111, "certificate_unobtainable"},
    Row8{112, "unrecognized_name"},
    Row8{113, "bad_certificate_status_response"},
    Row8{114, "bad_certificate_hash_value"},
    Row8{115, "unknown_psk_identity"},
    Row8{116, "certificate_required"},
    Row8{120, "no_application_protocol"},
};

constexpr std::array extensions = {
    Row16{0, "server_name"},
    Row16{1, "max_fragment_length"},
    Row16{5, "status_request"},
    Row16{10, "supported_groups"},
    Row16{11, "ec_point_formats"},
    Row16{13, "signature_algorithms"},
    Row16{14, "use_srtp"},
    Row16{15, "heartbeat"},
    Row16{16, "application_layer_protocol_negotiation"},
    Row16{18, "signed_certificate_timestamp"},
    Row16{21, "padding"},
    Row16{22, "encrypt_then_mac"},
    Row16{23, "extended_master_secret"},
    Row16{27, "compress_certificate"},
    Row16{28, "record_size_limit"},
    Row16{35, "session_ticket"},
    Row16{41, "pre_shared_key"},
    Row16{42, "early_data"},
    Row16{43, "supported_versions"},
    Row16{44, "cookie"},
    Row16{45, "psk_key_exchange_modes"},
    Row16{47, "certificate_authorities"},
    Row16{49, "post_handshake_auth"},
    Row16{50, "signature_algorithms_cert"},
    Row16{51, "key_share"},
    Row16{65281, "renegotiation_info"},
};

// Values that signal rather than name a suite; libssl lists no cipher for them.
constexpr std::array signallingSuites = {
    Row16{0x00ff, "TLS_EMPTY_RENEGOTIATION_INFO_SCSV"},
    Row16{0x5600, "TLS_FALLBACK_SCSV"},
};

// One connection object, made once, through which libssl answers what a suite's two
// octets name.
class SuiteNames {
public:
    SuiteNames() : context_(SSL_CTX_new(TLS_method())), connection_(nullptr) {
        if (context_)
            connection_ = SSL_new(context_);
    }
    ~SuiteNames() {
        SSL_free(connection_);
        SSL_CTX_free(context_);
    }
    SuiteNames(const SuiteNames&) = delete;
    SuiteNames& operator=(const SuiteNames&) = delete;

    std::optional<std::string> name(std::uint16_t suite) const {
        if (!connection_)
            return std::nullopt;
        const unsigned char octets[2] = {static_cast<unsigned char>(suite >> 8),
                                         static_cast<unsigned char>(suite & 0xff)};
        const SSL_CIPHER* cipher = SSL_CIPHER_find(connection_, octets);
        const char* name = cipher ? SSL_CIPHER_standard_name(cipher) : nullptr;
        if (!name)
            return std::nullopt;
        return std::string(name);
    }

private:
    SSL_CTX* context_;
    SSL* connection_;
};

} // namespace

std::optional<std::string_view> tlsContentTypeName(std::uint8_t type) {
    return lookUp(contentTypes, type);
}

std::optional<std::string_view> tlsVersionName(std::uint16_t version) {
    return lookUp(versions, version);
}

std::optional<std::string_view> tlsHandshakeName(std::uint8_t type) {
    return lookUp(handshakes, type);
}

std::optional<std::string_view> tlsAlertLevelName(std::uint8_t level) {
    return lookUp(alertLevels, level);
}

std::optional<std::string_view> tlsAlertName(std::uint8_t description) {
    return lookUp(alerts, description);
}

std::optional<std::string_view> tlsExtensionName(std::uint16_t type) {
    return lookUp(extensions, type);
}

std::optional<std::string> tlsCipherSuiteName(std::uint16_t suite) {
    if (const auto signalling = lookUp(signallingSuites, suite))
        return std::string(*signalling);
    static const SuiteNames names; // libssl's lookup reads the connection only
    return names.name(suite);
}

std::string hex16(std::uint16_t number) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04x", number);
    return text;
}

} // namespace analysis
