// NetworkPortsValidator: checks and normalises the port text of a protocol record.
//
// A valid text lists ports 1 to 65535 separated by ","; blanks around a port are
// tolerated and dropped. A port that another analyzer protocol already claims on an
// overlapping transport is refused; a claim under the record's own id or name is its own. Errors
// are ZEMError with a message for the user.
#pragma once

#include "ZEMNetworkProtocol.hpp"

#include <optional>
#include <string>
#include <string_view>

namespace zem {

struct NetworkPortsValidator {
    /// Answers the normalised text ("1812,1813"); `input` absent means the record's own
    /// port text.
    static std::string validate(const ZEMNetworkProtocol& protocol,
                                std::optional<std::string_view> input);
};

} // namespace zem
