#include "dictionary/DictionaryChoice.hpp"

#include "dictionary/BuiltInAttributes.hpp"
#include "dictionary/DictionaryReader.hpp"

#include <cstdlib>
#include <filesystem>

namespace analysis {

LoadedDictionary loadDictionary(const std::optional<std::string>& choice) {
    LoadedDictionary loaded;
    std::string path = defaultDictionaryPath;
    const char* environment = std::getenv("RADIUS_ANALYZER_DICTIONARY");
    if (choice)
        path = *choice;
    else if (environment && *environment)
        path = environment;
    if (path == "none")
        return loaded;
    std::error_code ec;
    if (std::filesystem::exists(path, ec)) {
        loaded.dictionary = readDictionary(path, loaded.warnings);
        if (!loaded.dictionary.empty())
            return loaded;
    }
    loaded.dictionary = builtInDictionary();
    loaded.warnings.push_back("no dictionary in " + path +
                              " (install freeradius-common, or give --dictionary DIR): standard "
                              "attribute names only, no vendor attributes");
    return loaded;
}

} // namespace analysis
