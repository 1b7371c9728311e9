// The shared secrets that --secrets and --secret give a run.
#pragma once

#include "Options.hpp"
#include "checks/SharedSecrets.hpp"

namespace app {

/// The files' secrets, with --secret as every other client's. Warns on standard error
/// of a file that every user can read; throws analysis::SecretsError.
analysis::SharedSecrets secretsFromOptions(const Options& options);

} // namespace app
