// TlsFields: the fields of the TLS records a message's EAP method carries, one row a
// field: tshark's names for what it shows of TLS (tls.record.content_type, ...), printed
// as tshark 4.0 prints them, and ours for the certificates (x509.subject, x509.issuer,
// x509.notAfter). A field that occurs more than once (a record's, a suite's) gives each
// occurrence in the order sent.
#pragma once

#include "tls/TlsFlight.hpp"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace analysis {

/// The names, in the order -G fields lists them.
std::span<const std::string_view> tlsFieldNames();
bool isTlsField(std::string_view name);
/// Whether the field's occurrences are numbers (compared as numbers by a filter).
bool isNumericTlsField(std::string_view name);

/// Each occurrence's text, in the order sent; empty when the flight has none.
std::vector<std::string> tlsFieldOccurrences(std::string_view name, const TlsFlight& flight);

} // namespace analysis
