// ZEMError: the error that the host's shell operations throw.
//
// The host raises it by case; the cases carry no payload, but an error may carry a
// readable message for the user (the port validator explains what is wrong).
#pragma once

#include <array>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace zem {

class ZEMError : public std::exception {
public:
    enum class Case : std::size_t {
        generic,               // 0
        invalidArgument,       // 1
        unregisterFailed,      // 2: the registry took a removal that the ports controller did not
        protocolNotRegistered, // 3: no ports to register, or no structure to register them in
        invalidPortText,       // 4
        portOutOfRange,        // 5
        portAlreadyClaimed,    // 6
        bundleUnavailable,     // 7
        storeUnavailable,      // 8
        missingPorts,          // 9: a protocol row without any port
    };
    static constexpr std::size_t caseCount = 10;

    explicit ZEMError(Case c, std::string message = {});
    /// The case at a position of the enumeration, as the plug-in raises them.
    static ZEMError atPosition(std::size_t position, std::string message = {});

    Case errorCase() const { return case_; }
    std::size_t position() const { return static_cast<std::size_t>(case_); }
    static std::string_view caseName(Case c);
    const char* what() const noexcept override { return message_.c_str(); }

private:
    Case case_;
    std::string message_;
};

} // namespace zem
