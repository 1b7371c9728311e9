// The dictionary of a run: loaded only when something asks for attribute names (avp.NAME
// fields and filters, JSON, the detail tree, -G fields), its warnings on standard error.
#pragma once

#include "Options.hpp"
#include "dictionary/DictionaryChoice.hpp"
#include "fields/AvpFields.hpp"

#include <future>
#include <optional>

namespace app {

bool wantsDictionary(const Options& options);
/// Loads the chosen dictionary and tells of its problems on standard error.
analysis::LoadedDictionary loadRunDictionary(const Options& options);

/// A capture run's dictionary, read on a thread of its own from the moment the options
/// are known: the two hundred files of FreeRADIUS's set are read while the host loads the
/// plug-in and the capture is opened, and their memory comes from that thread's own
/// allocator pages rather than the main thread's first ones, which are small pages.
class DictionaryPreload {
public:
    /// Starts reading when `wanted`; else take() answers nothing.
    DictionaryPreload(bool wanted, const Options& options);
    /// Waits for the dictionary and tells of its problems on standard error, once.
    std::optional<analysis::LoadedDictionary> take();

private:
    std::future<analysis::LoadedDictionary> loading_;
};

/// How -E occurrence and -E aggregator pick and join repeated attributes.
analysis::FieldOccurrence fieldOccurrence(const Options& options);

} // namespace app
