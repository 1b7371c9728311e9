#include "RadiusCodes.hpp"

#include <array>
#include <string>

namespace analysis {

std::uint8_t requestCodeFor(std::uint8_t code) {
    switch (code) {
    case 2:  // Access-Accept
    case 3:  // Access-Reject
    case 11: // Access-Challenge
        return 1;
    case 5: // Accounting-Response
        return 4;
    case 41: // Disconnect-ACK
    case 42: // Disconnect-NAK
        return 40;
    case 44: // CoA-ACK
    case 45: // CoA-NAK
        return 43;
    default:
        return 0;
    }
}

bool isRequestCode(std::uint8_t code) {
    return code == 1 || code == 4 || code == 40 || code == 43 || code == 12;
}

bool hasComputedRequestAuthenticator(std::uint8_t code) {
    return code == 4 || code == 40 || code == 43;
}

namespace {

struct CodeName {
    std::uint8_t code;
    std::string_view name;
};

constexpr std::array<CodeName, 15> codeNames = {{
    {1, "Access-Request"},
    {2, "Access-Accept"},
    {3, "Access-Reject"},
    {4, "Accounting-Request"},
    {5, "Accounting-Response"},
    {11, "Access-Challenge"},
    {12, "Status-Server"},
    {13, "Status-Client"},
    {40, "Disconnect-Request"},
    {41, "Disconnect-ACK"},
    {42, "Disconnect-NAK"},
    {43, "CoA-Request"},
    {44, "CoA-ACK"},
    {45, "CoA-NAK"},
    {255, "Reserved"},
}};

} // namespace

std::string codeName(std::uint8_t code) {
    for (const auto& entry : codeNames)
        if (entry.code == code)
            return std::string(entry.name);
    std::string text = "code ";
    text += std::to_string(code);
    return text;
}

} // namespace analysis
