#include "PlugInHost.hpp"

#include "ZEMError.hpp"
#include "ZEMPlugInsController.hpp"

#include <filesystem>

namespace app {

PlugInHost PlugInHost::load(const std::optional<std::string>& bundlePath) {
    PlugInHost host;
    if (bundlePath) {
        host.loaded_ = zem::ZEMPlugInLoader::load(*bundlePath);
    } else {
        auto candidates = zem::ZEMPlugInLoader::searchPaths("RADIUSAnalyzer.bundle");
        std::error_code ec;
        for (const auto& candidate : candidates) {
            if (std::filesystem::is_directory(candidate, ec)) {
                host.loaded_ = zem::ZEMPlugInLoader::load(candidate);
                break;
            }
        }
        if (!host.loaded_.instance) {
            std::string searched;
            for (const auto& c : candidates)
                searched += (searched.empty() ? "" : ", ") + c;
            throw zem::ZEMError(zem::ZEMError::Case::bundleUnavailable,
                                "RADIUSAnalyzer.bundle not found (looked in " + searched +
                                    "); give its path with --bundle");
        }
    }
    host.refresh();
    return host;
}

void PlugInHost::refresh() {
    for (const auto& s : zem::ZEMPlugInsController::sharedManager().registeredPlugIns()) {
        if (s.plugInAnalyzerClass) {
            structure_ = s;
            return;
        }
    }
    throw zem::ZEMError(zem::ZEMError::Case::bundleUnavailable,
                        "the plug-in bundle registered no analyzer");
}

const zem::ZEMPlugInAnalyzerAttribute* PlugInHost::attribute(std::string_view key) const {
    for (const auto& a : structure().plugInAnalyzerAttributes)
        if (a.attributeKey == key)
            return &a;
    return nullptr;
}

std::optional<zem::ZEMPropertyValue>
PlugInHost::value(const zem::ZEMPluginAnalyzerProtocol& analyzer, std::string_view key,
                  zem::ByteView message) const {
    const auto* a = attribute(key);
    if (!a)
        return std::nullopt;
    auto octets = a->attributeOffset >= message.size()
                      ? zem::ByteView{}
                      : message.slice(a->attributeOffset, a->attributeLength);
    return analyzer.value(key, octets);
}

std::string propertyText(const zem::ZEMPropertyValue& value) {
    return std::visit(
        [](const auto& v) -> std::string {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::string>)
                return v;
            else if constexpr (std::is_same_v<T, zem::ByteBuffer>)
                return zem::ByteView(v).hexRepresentation(true, 2, false);
            else
                return std::to_string(v);
        },
        value);
}

} // namespace app
