#include "PlugInHost.hpp"

#include "ZEMClassRegistry.hpp"
#include "ZEMError.hpp"
#include "ZEMPlugInsController.hpp"

#include <filesystem>

namespace zem {

PlugInHost PlugInHost::load(const std::optional<std::string>& bundlePath) {
    PlugInHost host;
    if (bundlePath) {
        host.loaded_ = ZEMPlugInLoader::load(*bundlePath);
    } else {
        auto candidates = ZEMPlugInLoader::searchPaths("RADIUSAnalyzer.bundle");
        std::error_code ec;
        for (const auto& candidate : candidates) {
            if (std::filesystem::is_directory(candidate, ec)) {
                host.loaded_ = ZEMPlugInLoader::load(candidate);
                break;
            }
        }
        if (!host.loaded_.instance) {
            std::string searched;
            for (const auto& c : candidates)
                searched += (searched.empty() ? "" : ", ") + c;
            throw ZEMError(ZEMError::Case::bundleUnavailable,
                           "RADIUSAnalyzer.bundle not found (looked in " + searched +
                               "); give its path with --bundle");
        }
    }
    host.refresh();
    return host;
}

void PlugInHost::refresh() {
    for (const auto& s : ZEMPlugInsController::sharedManager().registeredPlugIns()) {
        if (s.plugInAnalyzerClass) {
            structure_ = s;
            return;
        }
    }
    throw ZEMError(ZEMError::Case::bundleUnavailable, "the plug-in bundle registered no analyzer");
}

const ZEMPlugInAnalyzerAttribute* PlugInHost::attribute(std::string_view key) const {
    for (const auto& a : structure().plugInAnalyzerAttributes)
        if (a.attributeKey == key)
            return &a;
    return nullptr;
}

std::optional<std::string> PlugInHost::principalClassProperty(std::string_view property) const {
    if (!loaded_.principalClass)
        return std::nullopt;
    // The module is the bundle's name, as the runtime qualifies its classes.
    auto bundle = std::filesystem::path(loaded_.bundlePath);
    if (!bundle.has_filename())
        bundle = bundle.parent_path();
    const std::string module = bundle.stem().string();
    return ZEMClassRegistry::shared().make<std::string>(
        module + "." + loaded_.principalClass->name + "." + std::string(property));
}

std::optional<ZEMPropertyValue> PlugInHost::value(const ZEMPluginAnalyzerProtocol& analyzer,
                                                  std::string_view key, ByteView message) const {
    const auto* a = attribute(key);
    if (!a)
        return std::nullopt;
    auto octets = a->attributeOffset >= message.size()
                      ? ByteView{}
                      : message.slice(a->attributeOffset, a->attributeLength);
    return analyzer.value(key, octets);
}

std::string propertyText(const ZEMPropertyValue& value) {
    return std::visit(
        [](const auto& v) -> std::string {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::string>)
                return v;
            else if constexpr (std::is_same_v<T, ByteBuffer>)
                return ByteView(v).hexRepresentation(true, 2, false);
            else
                return std::to_string(v);
        },
        value);
}

} // namespace zem
