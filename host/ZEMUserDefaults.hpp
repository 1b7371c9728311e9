// ZEMUserDefaults: the standard user-defaults store.
//
// Three domains answer a key, first match wins:
//   argument    values given for one run (-o KEY=VALUE); never written to disk
//   persistent  the property-list file, shared with other processes
//   registered  defaults registered by code; never written
//
// The persistent file lives at $XDG_CONFIG_HOME/radius-analyzer/defaults.plist (or
// ~/.config/...); RADIUS_ANALYZER_DEFAULTS or configureStandardPath() moves it. Every write
// takes a cross-process lock, re-reads the file, applies the one change and replaces the
// file atomically (temporary file, fsync, rename, fsync of the folder), so concurrent
// writers lose nothing and a crash leaves the old file or the new one. A corrupt file is
// moved aside as defaults.plist.bad and reported once; a file that cannot be read or
// locked puts the store in read-only mode instead of being overwritten.
#pragma once

#include "PropertyList.hpp"

#include <mutex>
#include <optional>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <vector>

namespace zem {

class ZEMUserDefaults {
public:
    /// The process-wide store at the standard path.
    static ZEMUserDefaults& standardUserDefaults();
    /// Sets the file the standard store uses; only before its first use.
    static void configureStandardPath(std::string path);
    static std::string defaultStorePath();

    explicit ZEMUserDefaults(std::string path);

    std::optional<PropertyList> objectForKey(std::string_view key) const;
    /// Absent is false; numbers are true when non-zero; the texts YES and true (any case)
    /// and non-zero integers are true.
    bool boolForKey(std::string_view key) const;
    /// Texts only; any other value answers nothing.
    std::optional<std::string> stringForKey(std::string_view key) const;
    std::optional<ByteBuffer> dataForKey(std::string_view key) const;
    std::int64_t integerForKey(std::string_view key) const;

    /// Persistent writes. Answer false when the change could not be stored on disk (the
    /// value still holds for this process).
    bool setObject(std::string_view key, PropertyList value);
    bool setBool(std::string_view key, bool value) { return setObject(key, PropertyList(value)); }
    bool removeObjectForKey(std::string_view key);

    void registerDefaults(const PropertyListDictionary& defaults);
    /// Overrides a key for this run only.
    void setArgumentValue(std::string_view key, PropertyList value);
    void removeArgumentValue(std::string_view key);

    /// The values kept on disk (neither the registered defaults nor this run's own), so
    /// that a dialog's Cancel can put back what it changed.
    PropertyListDictionary storedValues() const;
    /// Puts back values taken by storedValues(): changed keys as they were, keys added
    /// since removed. Answers false when a change could not be stored on disk.
    bool restoreStoredValues(const PropertyListDictionary& values);

    /// Every key that some domain answers, sorted.
    std::vector<std::string> keys() const;

    /// Re-reads the file, picking up what other processes wrote.
    void synchronize();
    bool isReadOnly() const;
    const std::string& path() const { return path_; }

private:
    enum class LoadResult { loaded, missing, corrupt, unreadable };
    LoadResult loadFile(PropertyListDictionary& into) const;
    bool writeChange(std::string_view key, const std::optional<PropertyList>& value);
    bool lockedBoolForKey(std::string_view key) const;
    /// The lock every change is made under; marks what threads remember as stale.
    std::unique_lock<std::shared_mutex> lockForChange();
    void moveCorruptFileAside() const;

    std::string path_;
    mutable std::shared_mutex mutex_;
    PropertyListDictionary argument_, persistent_, registered_;
    bool readOnly_ = false;
    bool reportedCorrupt_ = false;
};

/// The Bool reading of a value, as boolForKey applies it.
bool propertyListBoolValue(const PropertyList& value);

/// Writes `contents` to a temporary file beside `path`, flushed to the disk, and renames
/// it into place: a reader sees the old file or the new one, never a torn one.
bool replaceFileAtomically(const std::string& path, std::string_view contents);

} // namespace zem
