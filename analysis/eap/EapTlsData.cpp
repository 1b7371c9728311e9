#include "eap/EapTlsData.hpp"

#include <algorithm>
#include <array>

namespace analysis {

namespace {

constexpr std::array<std::uint8_t, 5> tlsBasedTypes = {13, 21, 25, 43, 55};

} // namespace

bool isTlsBasedType(std::uint8_t type) {
    return std::find(tlsBasedTypes.begin(), tlsBasedTypes.end(), type) != tlsBasedTypes.end();
}

bool mayCarryEapTls(zem::ByteView message) {
    const auto first = firstEapSegment(message);
    if (!first)
        return false;
    const auto code = first->at(0);
    if (code && *code != eapCode::request && *code != eapCode::response)
        return false; // Success and Failure carry no method
    const auto type = first->at(4);
    // An EAP header cut across segments: only the whole packet tells.
    return !code || !type || isTlsBasedType(*type);
}

std::optional<EapTlsData> eapTlsData(const EapPacket& packet) {
    // Methods travel in Requests and Responses only: RFC 6696's Initiate and Finish carry
    // types of their own, which name no method.
    const bool method = packet.code == eapCode::request || packet.code == eapCode::response;
    if (!method || !packet.type || !isTlsBasedType(*packet.type))
        return std::nullopt;
    const auto data = packet.typeData();
    const auto flags = data.at(0);
    if (!flags)
        return std::nullopt;
    EapTlsData tls;
    tls.flags = *flags;
    std::size_t at = 1;
    if (*flags & eapTlsFlag::lengthIncluded) {
        tls.messageLength = data.loadBigEndian32(1);
        if (tls.messageLength)
            at = 5;
    }
    tls.fragment = data.slice(at);
    return tls;
}

std::optional<TlsFlight> carriedTlsFlight(const std::optional<EapPacket>& packet,
                                          const zem::ByteBuffer* joined) {
    if (joined)
        return readTlsFlight(*joined);
    const auto data = packet ? eapTlsData(*packet) : std::nullopt;
    if (!data || data->moreFragments() || data->fragment.empty())
        return std::nullopt;
    return readTlsFlight(data->fragment);
}

} // namespace analysis
