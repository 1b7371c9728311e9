#include "ZEMNetworkProtocol.hpp"

#include <nlohmann/json.hpp>
#include <stdexcept>

namespace zem {

ZEMNetworkProtocol::ZEMNetworkProtocol(ZEMUUID identifier, std::string name, std::string ports,
                                       std::int64_t source, std::optional<std::string> ether,
                                       std::optional<std::string> link,
                                       std::optional<std::int64_t> sz)
    : id(identifier), protocolName(std::move(name)), protocolPorts(std::move(ports)),
      sourceProtocol(source), ethertype(std::move(ether)), linktype(std::move(link)), size(sz),
      lastRegisteredName(protocolName), lastRegisteredPorts(protocolPorts),
      lastRegisteredSource(sourceProtocol) {}

void ZEMNetworkProtocol::commitRegisteredState() {
    lastRegisteredName = protocolName;
    lastRegisteredPorts = protocolPorts;
    lastRegisteredSource = sourceProtocol;
}

void ZEMNetworkProtocol::setupBinding() {
    // A change of the error state is a change of the record for its observers.
    errorModel.subscribe([this] { objectWillChange(); });
}

std::string ZEMNetworkProtocol::encodeList(const ZEMNetworkProtocolList& list) {
    nlohmann::json array = nlohmann::json::array();
    for (const auto& record : list) {
        nlohmann::json object;
        object["id"] = record->id.text();
        object["protocolName"] = record->protocolName;
        object["protocolPorts"] = record->protocolPorts;
        object["sourceProtocol"] = record->sourceProtocol;
        if (record->ethertype)
            object["ethertype"] = *record->ethertype;
        if (record->linktype)
            object["linktype"] = *record->linktype;
        if (record->size)
            object["size"] = *record->size;
        array.push_back(std::move(object));
    }
    return array.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

ZEMNetworkProtocolList ZEMNetworkProtocol::decodeList(std::string_view json) {
    nlohmann::json array;
    try {
        array = nlohmann::json::parse(json);
    } catch (const nlohmann::json::exception& error) {
        throw std::runtime_error(std::string("dataCorrupted: ") + error.what());
    }
    if (!array.is_array())
        throw std::runtime_error("typeMismatch: expected an array of protocol records");
    ZEMNetworkProtocolList list;
    for (const auto& object : array) {
        if (!object.is_object())
            throw std::runtime_error("typeMismatch: expected a protocol record");
        auto text = [&](const char* key) -> std::string {
            auto it = object.find(key);
            if (it == object.end() || !it->is_string())
                throw std::runtime_error(std::string("keyNotFound or typeMismatch: ") + key);
            return it->get<std::string>();
        };
        auto optionalText = [&](const char* key) -> std::optional<std::string> {
            auto it = object.find(key);
            if (it == object.end() || it->is_null())
                return std::nullopt;
            if (!it->is_string())
                throw std::runtime_error(std::string("typeMismatch: ") + key);
            return it->get<std::string>();
        };
        auto id = ZEMUUID::parse(text("id"));
        if (!id)
            throw std::runtime_error("dataCorrupted: id is not a UUID");
        auto source = object.find("sourceProtocol");
        if (source == object.end() || !source->is_number_integer())
            throw std::runtime_error("keyNotFound or typeMismatch: sourceProtocol");
        std::optional<std::int64_t> size;
        if (auto it = object.find("size"); it != object.end() && !it->is_null()) {
            if (!it->is_number_integer())
                throw std::runtime_error("typeMismatch: size");
            size = it->get<std::int64_t>();
        }
        list.push_back(std::make_shared<ZEMNetworkProtocol>(
            *id, text("protocolName"), text("protocolPorts"), source->get<std::int64_t>(),
            optionalText("ethertype"), optionalText("linktype"), size));
    }
    return list;
}

} // namespace zem
