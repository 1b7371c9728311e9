// ZEMBundle: a plug-in bundle on disk.
//
//   RADIUSAnalyzer.bundle/
//     Info.plist                     principal class, version, development region
//     RADIUSAnalyzer.so              the loadable code
//     Resources/en.lproj/*.strings   string tables, one folder per language
//     Resources/*                    other resources
//
// A bundle is found from its path or from an address inside its loaded code. Its string
// tables load once, on first use, and are then read from any thread without locks. A
// missing Info.plist or table makes lookups answer their keys.
#pragma once

#include "PropertyList.hpp"
#include "StringTable.hpp"

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zem {

class ZEMBundle {
public:
    /// The bundle at `path`, one shared instance per path.
    static std::shared_ptr<const ZEMBundle> bundleAtPath(const std::string& path);
    /// The bundle whose loaded code contains `address`. Code linked straight into an
    /// executable (tests, fuzzers) has no bundle around it; the folder named by the
    /// environment variable ZEM_PLUGIN_BUNDLE then stands in for it.
    static std::shared_ptr<const ZEMBundle> bundleContainingAddress(const void* address);

    const std::string& bundlePath() const { return path_; }
    std::string resourcePath() const { return path_ + "/Resources"; }
    /// The Info dictionary, or nothing when Info.plist is missing or unreadable.
    const PropertyListDictionary* infoDictionary() const { return info_ ? &*info_ : nullptr; }
    std::optional<std::string> infoString(std::string_view key) const;
    /// The language whose tables this bundle answers with.
    const std::string& localization() const { return localization_; }

    /// The entry for `key` in `table`, or `key` itself when there is none.
    std::string_view localizedString(std::string_view key, std::string_view table) const;
    /// The entry for `key`, or nothing.
    std::optional<std::string_view> findLocalizedString(std::string_view key,
                                                        std::string_view table) const;

    /// A whole table, loaded on first use; empty when the bundle has none.
    const StringTable& stringTable(std::string_view name) const { return table(name); }

    explicit ZEMBundle(std::string path);

private:
    struct Table {
        std::string name;
        std::once_flag loaded;
        StringTable strings;
    };
    const StringTable& table(std::string_view name) const;

    std::string path_;
    std::optional<PropertyListDictionary> info_;
    std::string localization_;
    std::vector<std::unique_ptr<Table>> tables_; // fixed after construction
};

/// The user's preferred languages, most preferred first, from LANGUAGE, LC_ALL,
/// LC_MESSAGES and LANG ("de_DE.UTF-8" gives "de_DE" and then "de").
std::vector<std::string> preferredLanguages();

} // namespace zem
