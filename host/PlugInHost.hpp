// PlugInHost: what the application knows of the loaded plug-in, all of it taken from the
// host's registry after the bundle registered itself: the analyzer class, the analyzer
// attributes with their offsets, columns, and claimed ports.
#pragma once

#include "ZEMPlugInLoader.hpp"
#include "ZEMPlugInStructure.hpp"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace zem {

class PlugInHost {
public:
    /// Loads the bundle (an explicit path, or the standard places). Throws ZEMError.
    static PlugInHost load(const std::optional<std::string>& bundlePath);

    /// The structure as last read from the registry.
    const ZEMPlugInStructure& structure() const { return structure_; }
    /// Reads the registered structure again (after protocols were edited). Throws ZEMError
    /// when the plug-in registered no analyzer.
    void refresh();
    const ZEMAnalyzerClass& analyzerClass() const { return *structure().plugInAnalyzerClass; }
    const ZEMLoadedPlugIn& loaded() const { return loaded_; }

    /// A class property of the principal class that the bundle made visible by name
    /// ("Module.Class.property"), such as the settings key it stores a switch under.
    std::optional<std::string> principalClassProperty(std::string_view property) const;
    /// The attribute registered under `key`, if any.
    const ZEMPlugInAnalyzerAttribute* attribute(std::string_view key) const;
    /// Asks the analyzer for `key`, handing it the octets at the registered offset and length.
    std::optional<ZEMPropertyValue> value(const ZEMPluginAnalyzerProtocol& analyzer,
                                          std::string_view key, ByteView message) const;
    /// The same for an attribute looked up once beforehand (a field asked of every message).
    std::optional<ZEMPropertyValue> value(const ZEMPluginAnalyzerProtocol& analyzer,
                                          const ZEMPlugInAnalyzerAttribute& attribute,
                                          ByteView message) const;

private:
    ZEMLoadedPlugIn loaded_;
    ZEMPlugInStructure structure_;
};

/// The text form of a property value (numbers in decimal, octets in hexadecimal).
std::string propertyText(const ZEMPropertyValue& value);

} // namespace zem
