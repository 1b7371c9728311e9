// SecretsFile: reads the shared secrets of RADIUS clients from a file in one of two
// forms, told apart by what it holds:
//
//   # ADDRESS[/PREFIX] SECRET, one client or network a line
//   192.0.2.10        testing123
//   10.0.0.0/8        campus secret      <- the rest of the line, blanks and all
//   2001:db8::/32     v6secret
//
// or a FreeRADIUS clients.conf, which operators already keep:
//
//   client nas1 { ipaddr = 192.0.2.10  secret = "testing123" }
//
// Errors name the file and line and never quote a secret.
#pragma once

#include "checks/SharedSecrets.hpp"

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace analysis {

class SecretsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// Parses the text of a secrets file; `fileName` is for the errors. Throws SecretsError.
SharedSecrets parseSecrets(std::string_view text, std::string_view fileName);
/// The clients.conf form alone. Throws SecretsError.
SharedSecrets parseClientsConf(std::string_view text, std::string_view fileName);

/// Reads and parses a file. Throws SecretsError; `warning` receives a line when the file
/// is readable by every user.
SharedSecrets readSecretsFile(const std::string& path, std::string& warning);

/// ADDRESS or ADDRESS/PREFIX; nothing when it is neither.
struct ClientNetwork {
    zem::IPAddress address;
    unsigned prefixLength;
};
std::optional<ClientNetwork> parseClientNetwork(std::string_view text);

} // namespace analysis
