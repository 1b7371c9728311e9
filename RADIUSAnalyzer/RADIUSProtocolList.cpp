#include "RADIUSProtocolList.hpp"

#include "MainThread.hpp"
#include "RADIUSSettingsKeys.hpp"
#include "ZEMLog.hpp"

#include <charconv>

namespace radius {

const zem::ZEMNetworkProtocolList& defaultNetworkProtocols() {
    static const zem::ZEMNetworkProtocolList defaults = {
        std::make_shared<zem::ZEMNetworkProtocol>(zem::ZEMUUID::random(), "RADIUS", "1645,1812",
                                                  100, "", "", 0),
        std::make_shared<zem::ZEMNetworkProtocol>(zem::ZEMUUID::random(), "RADIUSACCT", "1646,1813",
                                                  100, "", "", 0),
    };
    return defaults;
}

zem::ZEMNetworkProtocolList loadStoredProtocols(const zem::ZEMUserDefaults& store) {
    auto data = store.dataForKey(kRADIUSPlugInNetworkProtocol);
    if (!data)
        return {};
    return zem::ZEMNetworkProtocol::decodeList(
        std::string_view(reinterpret_cast<const char*>(data->data()), data->size()));
}

bool storeProtocols(zem::ZEMUserDefaults& store, const zem::ZEMNetworkProtocolList& list,
                    std::string_view file, std::string_view function) {
    std::string json;
    try {
        json = zem::ZEMNetworkProtocol::encodeList(list);
    } catch (const std::exception& error) {
        zem::zemLog({error.what()}, file, function, __LINE__);
        return false;
    }
    return store.setObject(kRADIUSPlugInNetworkProtocol, zem::ByteBuffer(json.begin(), json.end()));
}

std::vector<std::int64_t> portNumbers(std::string_view text) {
    std::vector<std::int64_t> ports;
    std::size_t start = 0;
    for (;;) {
        zem::requireMainThread("portNumbers(from:)");
        auto comma = text.find(',', start);
        std::string_view part = text.substr(
            start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
        std::string_view digits = part;
        bool negative = false;
        if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) {
            negative = digits.front() == '-';
            digits.remove_prefix(1);
        }
        // from_chars takes neither a plus sign nor blanks, which is the rule we want.
        std::uint64_t magnitude = 0;
        auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), magnitude);
        if (!digits.empty() && digits.front() != '-' && ec == std::errc() &&
            end == digits.data() + digits.size()) {
            constexpr std::uint64_t maxPositive = 9223372036854775807ull;
            if (!negative && magnitude <= maxPositive)
                ports.push_back(static_cast<std::int64_t>(magnitude));
            else if (negative && magnitude <= maxPositive + 1)
                ports.push_back(magnitude == maxPositive + 1
                                    ? std::numeric_limits<std::int64_t>::min()
                                    : -static_cast<std::int64_t>(magnitude));
        }
        if (comma == std::string_view::npos)
            break;
        start = comma + 1;
    }
    return ports;
}

zem::ZEMPlugInNetworkProtocol plugInNetworkProtocol(const zem::ZEMUUID& id, const std::string& name,
                                                    std::string_view ports, std::int64_t source) {
    zem::ZEMPlugInNetworkProtocol value;
    value.id = id;
    value.protocolName = name;
    value.protocolPorts = portNumbers(ports);
    value.sourceProtocol =
        zem::sourceProtocolFromRaw(source).value_or(zem::kZEMSourceProtocols::udpTcp);
    return value;
}

zem::ZEMPlugInNetworkProtocol plugInNetworkProtocol(const zem::ZEMNetworkProtocol& record) {
    return plugInNetworkProtocol(record.id, record.protocolName, record.protocolPorts,
                                 record.sourceProtocol);
}

zem::ZEMPlugInNetworkProtocol lastRegisteredNetworkProtocol(const zem::ZEMNetworkProtocol& record) {
    return plugInNetworkProtocol(record.id, record.lastRegisteredName, record.lastRegisteredPorts,
                                 record.lastRegisteredSource);
}

} // namespace radius
