#include "RadiusCodes.hpp"

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

} // namespace analysis
