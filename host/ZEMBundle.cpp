#include "ZEMBundle.hpp"

#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <map>

namespace zem {

namespace fs = std::filesystem;

namespace {

void addLanguage(std::vector<std::string>& out, std::string_view tag) {
    auto cut = tag.find_first_of(".@");
    if (cut != std::string_view::npos)
        tag = tag.substr(0, cut);
    if (tag.empty() || tag == "C" || tag == "POSIX")
        return;
    auto push = [&](std::string_view t) {
        for (const auto& existing : out)
            if (existing == t)
                return;
        out.emplace_back(t);
    };
    push(tag);
    auto underscore = tag.find_first_of("_-");
    if (underscore != std::string_view::npos)
        push(tag.substr(0, underscore));
}

std::string chooseLocalization(const std::string& resources, const std::string& developmentRegion) {
    for (const auto& language : preferredLanguages()) {
        std::error_code ec;
        if (fs::is_directory(resources + "/" + language + ".lproj", ec))
            return language;
    }
    return developmentRegion;
}

} // namespace

std::vector<std::string> preferredLanguages() {
    std::vector<std::string> languages;
    if (const char* list = std::getenv("LANGUAGE"); list && *list) {
        std::string_view rest(list);
        while (!rest.empty()) {
            auto colon = rest.find(':');
            addLanguage(languages, rest.substr(0, colon));
            rest = colon == std::string_view::npos ? std::string_view{} : rest.substr(colon + 1);
        }
    }
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        if (const char* value = std::getenv(name); value && *value) {
            addLanguage(languages, value);
            break; // the first one set decides, as the C library does
        }
    }
    return languages;
}

ZEMBundle::ZEMBundle(std::string path) : path_(std::move(path)) {
    if (auto contents = readFile(path_ + "/Info.plist")) {
        if (auto plist = parsePropertyList(ByteView(std::string_view(*contents))))
            if (auto* dictionary = plist->get<PropertyListDictionary>())
                info_ = std::move(*dictionary);
    }
    std::string developmentRegion = infoString("CFBundleDevelopmentRegion").value_or("en");
    localization_ = chooseLocalization(resourcePath(), developmentRegion);

    // Every table that either language folder offers gets a slot now, so that later
    // lookups only read this list.
    std::map<std::string, int> names;
    for (const auto& language : {localization_, developmentRegion}) {
        std::error_code ec;
        for (fs::directory_iterator it(resourcePath() + "/" + language + ".lproj", ec), end;
             !ec && it != end; it.increment(ec))
            if (it->path().extension() == ".strings")
                names.emplace(it->path().stem().string(), 0);
    }
    for (const auto& [name, unused] : names) {
        auto table = std::make_unique<Table>();
        table->name = name;
        tables_.push_back(std::move(table));
    }
}

std::optional<std::string> ZEMBundle::infoString(std::string_view key) const {
    if (!info_)
        return std::nullopt;
    auto it = info_->find(key);
    if (it == info_->end())
        return std::nullopt;
    if (const auto* text = it->second.get<std::string>())
        return *text;
    return std::nullopt;
}

const StringTable& ZEMBundle::table(std::string_view name) const {
    static const StringTable empty;
    for (const auto& entry : tables_) {
        if (entry->name != name)
            continue;
        std::call_once(entry->loaded, [&] {
            std::string developmentRegion = infoString("CFBundleDevelopmentRegion").value_or("en");
            for (const auto& language : {localization_, developmentRegion}) {
                std::string file =
                    resourcePath() + "/" + language + ".lproj/" + entry->name + ".strings";
                if (auto contents = readFile(file)) {
                    entry->strings =
                        StringTable::parse(ByteView(std::string_view(*contents)), file);
                    return;
                }
            }
        });
        return entry->strings;
    }
    return empty;
}

std::optional<std::string_view> ZEMBundle::findLocalizedString(std::string_view key,
                                                               std::string_view table) const {
    return this->table(table).find(key);
}

std::string_view ZEMBundle::localizedString(std::string_view key, std::string_view table) const {
    return findLocalizedString(key, table).value_or(key);
}

std::shared_ptr<const ZEMBundle> ZEMBundle::bundleAtPath(const std::string& path) {
    static std::mutex mutex;
    static std::map<std::string, std::shared_ptr<const ZEMBundle>> bundles;
    std::error_code ec;
    std::string key = fs::weakly_canonical(path, ec).string();
    if (ec || key.empty())
        key = path;
    std::lock_guard lock(mutex);
    auto& slot = bundles[key];
    if (!slot)
        slot = std::make_shared<const ZEMBundle>(key);
    return slot;
}

std::shared_ptr<const ZEMBundle> ZEMBundle::bundleContainingAddress(const void* address) {
    Dl_info info{};
    if (dladdr(address, &info) && info.dli_fname) {
        std::error_code ec;
        fs::path folder = fs::path(info.dli_fname).parent_path();
        if (folder.extension() == ".bundle" && fs::exists(folder / "Info.plist", ec))
            return bundleAtPath(folder.string());
    }
    if (const char* fallback = std::getenv("ZEM_PLUGIN_BUNDLE"); fallback && *fallback)
        return bundleAtPath(fallback);
    return bundleAtPath(info.dli_fname ? fs::path(info.dli_fname).parent_path().string() : ".");
}

} // namespace zem
