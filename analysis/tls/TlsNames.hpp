// TlsNames: the names TLS gives its numbers (content types, versions, handshake messages,
// alerts, extensions, cipher suites), for the TLS node and the reports.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace analysis {

std::optional<std::string_view> tlsContentTypeName(std::uint8_t type);
/// "TLS 1.2", ...; nothing for a number no version has.
std::optional<std::string_view> tlsVersionName(std::uint16_t version);
std::optional<std::string_view> tlsHandshakeName(std::uint8_t type);
std::optional<std::string_view> tlsAlertLevelName(std::uint8_t level);
/// The description's name as RFC 8446 spells it ("unknown_ca").
std::optional<std::string_view> tlsAlertName(std::uint8_t description);
std::optional<std::string_view> tlsExtensionName(std::uint16_t type);
/// The IANA name ("TLS_ECDHE_RSA_WITH_AES_256_GCM_SHA384"), as libssl knows it.
std::optional<std::string> tlsCipherSuiteName(std::uint16_t suite);

/// "0x0303", as tshark prints a 16-bit number shown in hexadecimal.
std::string hex16(std::uint16_t number);

} // namespace analysis
