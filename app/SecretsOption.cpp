#include "SecretsOption.hpp"

#include "checks/SecretsFile.hpp"

#include <cstdio>

namespace app {

analysis::SharedSecrets secretsFromOptions(const Options& options) {
    analysis::SharedSecrets secrets;
    if (options.secret) {
        if (options.secret->empty())
            throw analysis::SecretsError("--secret: the shared secret is empty");
        // The networks of every address: files' longer prefixes win over them.
        secrets.add(zem::IPAddress{4, {}}, 0, *options.secret);
        secrets.add(zem::IPAddress{6, {}}, 0, *options.secret);
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
