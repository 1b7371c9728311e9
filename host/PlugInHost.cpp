#include "PlugInHost.hpp"

#include "ZEMClassRegistry.hpp"
#include "ZEMError.hpp"
#include "ZEMLog.hpp"
#include "ZEMPlugInsController.hpp"
#include "ZEMUserDefaults.hpp"

#include <filesystem>

namespace zem {

namespace {

// A plug-in falls back to its defaults when it cannot read what it stored, and stores
// them over the old value: the user is told, and the old value is kept beside the
// settings file, so that nothing is lost without a word.
class StoredDataWatch {
public:
    StoredDataWatch() {
        auto& store = ZEMUserDefaults::standardUserDefaults();
        for (const auto& key : store.keys())
            if (auto data = store.dataForKey(key))
                before_.emplace_back(key, std::move(*data));
    }
    void reportReplaced() const {
        auto& store = ZEMUserDefaults::standardUserDefaults();
        for (const auto& [key, data] : before_) {
            const auto now = store.dataForKey(key);
            if (now && *now == data)
                continue;
            const std::string kept = store.path() + "." + key + ".bad";
            const bool saved = replaceFileAtomically(
                kept, std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
            zemLog({"the plug-in could not read its stored " + key +
                        " and replaced it with its defaults",
                    saved ? "the old value is kept in " + kept : "the old value could not be kept"},
                   "host/PlugInHost", "load(_:)", __LINE__);
        }
    }

private:
    std::vector<std::pair<std::string, ByteBuffer>> before_;
};

} // namespace

PlugInHost PlugInHost::load(const std::optional<std::string>& bundlePath) {
    PlugInHost host;
    const StoredDataWatch watch;
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
    watch.reportReplaced();
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
    return value(analyzer, *a, message);
}

std::optional<ZEMPropertyValue> PlugInHost::value(const ZEMPluginAnalyzerProtocol& analyzer,
                                                  const ZEMPlugInAnalyzerAttribute& attribute,
                                                  ByteView message) const {
    auto octets = attribute.attributeOffset >= message.size()
                      ? ByteView{}
                      : message.slice(attribute.attributeOffset, attribute.attributeLength);
    return analyzer.value(attribute.attributeKey, octets);
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
