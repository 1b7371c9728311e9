#include "SecretsOption.hpp"

#include "checks/SecretsFile.hpp"

#include <cstdio>
#include <cstdlib>
#include <optional>

namespace app {

analysis::SharedSecrets secretsFromOptions(const Options& options) {
    analysis::SharedSecrets secrets;
    // The environment keeps the secret off the command line, where every user's ps sees it.
    const char* fromEnvironment = std::getenv("RADIUS_ANALYZER_SECRET");
    std::optional<std::string> secret = options.secret;
    if (!secret && fromEnvironment)
        secret = fromEnvironment;
    if (secret) {
        if (secret->empty())
            throw analysis::SecretsError(
                options.secret ? "--secret: the shared secret is empty"
                               : "RADIUS_ANALYZER_SECRET: the shared secret is empty");
        // The networks of every address: files' longer prefixes win over them.
        secrets.add(zem::IPAddress{4, {}}, 0, *secret);
        secrets.add(zem::IPAddress{6, {}}, 0, *secret);
    }
    for (const auto& path : options.secretsFiles) {
        std::string warning;
        auto fromFile = analysis::readSecretsFile(path, warning);
        if (!warning.empty())
            std::fprintf(stderr, "radius-analyzer: warning: %s\n", warning.c_str());
        secrets.merge(fromFile);
    }
    return secrets;
}

} // namespace app
