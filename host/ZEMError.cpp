#include "ZEMError.hpp"

namespace zem {

namespace {
constexpr std::array<std::string_view, ZEMError::caseCount> caseNames = {
    "generic",          "invalidArgument", "unregisterFailed",   "protocolNotRegistered",
    "invalidPortText",  "portOutOfRange",  "portAlreadyClaimed", "bundleUnavailable",
    "storeUnavailable", "missingPorts",
};
} // namespace

ZEMError::ZEMError(Case c, std::string message) : case_(c), message_(std::move(message)) {
    if (message_.empty())
        message_ = "ZEMError." + std::string(caseName(c));
}

ZEMError ZEMError::atPosition(std::size_t position, std::string message) {
    return ZEMError(position < caseCount ? static_cast<Case>(position) : Case::generic,
                    std::move(message));
}

std::string_view ZEMError::caseName(Case c) {
    auto index = static_cast<std::size_t>(c);
    return index < caseNames.size() ? caseNames[index] : "generic";
}

} // namespace zem
