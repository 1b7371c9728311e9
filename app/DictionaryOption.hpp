// The dictionary of a run: loaded only when something asks for attribute names (avp.NAME
// fields and filters, JSON, the detail tree, -G fields), its warnings on standard error.
#pragma once

#include "Options.hpp"
#include "dictionary/DictionaryChoice.hpp"
#include "fields/AvpFields.hpp"

#include <optional>

namespace app {

bool wantsDictionary(const Options& options);
/// Loads the chosen dictionary and tells of its problems on standard error.
analysis::LoadedDictionary loadRunDictionary(const Options& options);
/// How -E occurrence and -E aggregator pick and join repeated attributes.
analysis::FieldOccurrence fieldOccurrence(const Options& options);

} // namespace app
