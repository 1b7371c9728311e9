#include "ZEMUserDefaults.hpp"

#include "ZEMLog.hpp"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace zem {

namespace fs = std::filesystem;

namespace {

std::string& configuredPath() {
    static std::string path;
    return path;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

void log(std::string_view what, std::string_view detail, int line) {
    zemLog({what, detail}, "host/ZEMUserDefaults", "write()", line);
}

// Holds an flock on the store's lock file for one read-modify-write.
class FileLock {
public:
    explicit FileLock(const std::string& path) {
        fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ < 0)
            return;
        // Another writer holds it for milliseconds; give up after a few seconds rather
        // than hang behind a stuck process.
        for (int attempt = 0; attempt < 500; ++attempt) {
            if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
                locked_ = true;
                return;
            }
            if (errno != EWOULDBLOCK && errno != EINTR)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    ~FileLock() {
        if (fd_ >= 0)
            ::close(fd_); // closing releases the lock
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool locked() const { return locked_; }

private:
    int fd_ = -1;
    bool locked_ = false;
};

bool writeAll(int fd, std::string_view data) {
    while (!data.empty()) {
        ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Temporary files of writers that died before renaming them ("defaults.plist.tmp.PID"
// whose process is gone) are removed by the next writer.
void removeStaleTemporaries(const std::string& path) {
    const fs::path file(path);
    const std::string prefix = file.filename().string() + ".tmp.";
    std::error_code ec;
    for (const auto& entry :
         fs::directory_iterator(file.has_parent_path() ? file.parent_path() : fs::path("."), ec)) {
        const std::string name = entry.path().filename().string();
        if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0)
            continue;
        pid_t pid = 0;
        const char* digits = name.data() + prefix.size();
        auto [end, error] = std::from_chars(digits, name.data() + name.size(), pid);
        if (error != std::errc() || end != name.data() + name.size() || pid <= 0 ||
            pid == ::getpid())
            continue;
        if (::kill(pid, 0) != 0 && errno == ESRCH)
            fs::remove(entry.path(), ec);
    }
}

} // namespace

bool replaceFileAtomically(const std::string& path, std::string_view contents) {
    removeStaleTemporaries(path);
    const std::string temporary = path + ".tmp." + std::to_string(::getpid());
    int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    bool ok = writeAll(fd, contents) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (!ok || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    int dir = ::open(fs::path(path).parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

bool propertyListBoolValue(const PropertyList& value) {
    if (const auto* b = value.get<bool>())
        return *b;
    if (const auto* i = value.get<std::int64_t>())
        return *i != 0;
    if (const auto* d = value.get<double>())
        return *d != 0.0;
    if (const auto* s = value.get<std::string>()) {
        std::string_view text(*s);
        while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
            text.remove_prefix(1);
        while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
            text.remove_suffix(1);
        if (equalsIgnoringCase(text, "yes") || equalsIgnoringCase(text, "true"))
            return true;
        if (!text.empty() && (text.front() == '+' || text.front() == '-'))
            text.remove_prefix(1);
        long long number = 0;
        auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
        return ec == std::errc() && end == text.data() + text.size() && number != 0;
    }
    return false;
}

std::string ZEMUserDefaults::defaultStorePath() {
    if (const char* explicitPath = std::getenv("RADIUS_ANALYZER_DEFAULTS");
        explicitPath && *explicitPath)
        return explicitPath;
    // Joined as paths: GCC 12 warns falsely (-Wrestrict) about appending literals to a
    // string once that is inlined at -O2 and above.
    fs::path folder;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        folder = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        folder = fs::path(home) / ".config";
    else
        folder = ".";
    return (folder / "radius-analyzer" / "defaults.plist").string();
}

void ZEMUserDefaults::configureStandardPath(std::string path) {
    configuredPath() = std::move(path);
}

ZEMUserDefaults& ZEMUserDefaults::standardUserDefaults() {
    static ZEMUserDefaults store(configuredPath().empty() ? defaultStorePath() : configuredPath());
    return store;
}

ZEMUserDefaults::ZEMUserDefaults(std::string path) : path_(std::move(path)) {
    synchronize();
}

ZEMUserDefaults::LoadResult ZEMUserDefaults::loadFile(PropertyListDictionary& into) const {
    // Without waiting: a FIFO put in the settings file's place must not hang every command.
    int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return errno == ENOENT ? LoadResult::missing : LoadResult::unreadable;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return LoadResult::unreadable;
    }
    // Settings take kilobytes; a file of megabytes is no settings file, and reading it
    // would hold up every command.
    constexpr off_t largestSettingsFile = 4 << 20;
    if (info.st_size > largestSettingsFile) {
        ::close(fd);
        return LoadResult::corrupt;
    }
    std::string contents;
    char buffer[8192];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ::close(fd);
            return LoadResult::unreadable;
        }
        if (n == 0)
            break;
        contents.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    auto plist = parsePropertyList(ByteView(std::string_view(contents)));
    auto* dictionary = plist ? plist->get<PropertyListDictionary>() : nullptr;
    if (!dictionary)
        return LoadResult::corrupt;
    into = std::move(*dictionary);
    return LoadResult::loaded;
}

void ZEMUserDefaults::moveCorruptFileAside() const {
    std::string target = path_ + ".bad";
    std::error_code ec;
    for (int n = 1; fs::exists(target, ec) && n < 1000; ++n)
        target = path_ + ".bad." + std::to_string(n);
    ::rename(path_.c_str(), target.c_str());
}

void ZEMUserDefaults::synchronize() {
    PropertyListDictionary loaded;
    auto lock = lockForChange();
    switch (loadFile(loaded)) {
    case LoadResult::loaded:
        persistent_ = std::move(loaded);
        break;
    case LoadResult::missing:
        persistent_.clear();
        break;
    case LoadResult::corrupt:
        moveCorruptFileAside();
        if (!reportedCorrupt_) {
            reportedCorrupt_ = true;
            zemLog({"settings file is corrupt; kept it as .bad and started empty", path_},
                   "host/ZEMUserDefaults", "synchronize()", __LINE__);
        }
        persistent_.clear();
        break;
    case LoadResult::unreadable:
        if (!readOnly_)
            zemLog({"settings file cannot be read; settings are read-only", path_},
                   "host/ZEMUserDefaults", "synchronize()", __LINE__);
        readOnly_ = true;
        break;
    }
}

bool ZEMUserDefaults::isReadOnly() const {
    std::shared_lock lock(mutex_);
    return readOnly_;
}

std::optional<PropertyList> ZEMUserDefaults::objectForKey(std::string_view key) const {
    std::shared_lock lock(mutex_);
    for (const auto* domain : {&argument_, &persistent_, &registered_}) {
        auto it = domain->find(key);
        if (it != domain->end())
            return it->second;
    }
    return std::nullopt;
}

namespace {

// Bumped by every change to any store, and by every new store, so that a store made where
// an old one was is not taken for it.
std::atomic<std::uint64_t> changes{0};

// The plug-in asks a switch for nearly every attribute of every message it shows, from
// several threads at once. Under the shared lock each of those asks wrote the lock's one
// cache line from both cores; a thread now remembers the answers it got until the next
// change anywhere. Plain arrays keep it free of destructors, so reaching it costs no
// call.
class RememberedSwitches {
public:
    std::optional<bool> find(const void* store, std::uint64_t change, std::string_view key) {
        if (store != store_ || change != change_) {
            store_ = store;
            change_ = change;
            count_ = 0;
            return std::nullopt;
        }
        for (std::size_t i = 0; i < count_; ++i)
            if (entries_[i].length == key.size() &&
                std::memcmp(entries_[i].key, key.data(), key.size()) == 0)
                return entries_[i].value;
        return std::nullopt;
    }
    void remember(std::string_view key, bool value) {
        if (count_ == entries_.size() || key.size() > sizeof(Entry::key))
            return;
        auto& entry = entries_[count_++];
        std::memcpy(entry.key, key.data(), key.size());
        entry.length = static_cast<std::uint8_t>(key.size());
        entry.value = value;
    }

private:
    struct Entry {
        char key[62];
        std::uint8_t length;
        bool value;
    };
    const void* store_ = nullptr;
    std::uint64_t change_ = 0;
    std::size_t count_ = 0;
    std::array<Entry, 8> entries_;
};

thread_local RememberedSwitches rememberedSwitches __attribute__((tls_model("initial-exec")));

} // namespace

std::unique_lock<std::shared_mutex> ZEMUserDefaults::lockForChange() {
    std::unique_lock lock(mutex_);
    // Bumped before the change is made: a thread that sees the new count reads the value
    // under the shared lock, which waits for this one.
    changes.fetch_add(1, std::memory_order_acq_rel);
    return lock;
}

bool ZEMUserDefaults::boolForKey(std::string_view key) const {
    const auto change = changes.load(std::memory_order_acquire);
    if (auto remembered = rememberedSwitches.find(this, change, key))
        return *remembered;
    const bool value = lockedBoolForKey(key);
    if (changes.load(std::memory_order_acquire) == change)
        rememberedSwitches.remember(key, value);
    return value;
}

bool ZEMUserDefaults::lockedBoolForKey(std::string_view key) const {
    std::shared_lock lock(mutex_);
    for (const auto* domain : {&argument_, &persistent_, &registered_}) {
        auto it = domain->find(key);
        if (it != domain->end())
            return propertyListBoolValue(it->second);
    }
    return false;
}

std::optional<std::string> ZEMUserDefaults::stringForKey(std::string_view key) const {
    auto value = objectForKey(key);
    if (const auto* text = value ? value->get<std::string>() : nullptr)
        return *text;
    return std::nullopt;
}

std::optional<ByteBuffer> ZEMUserDefaults::dataForKey(std::string_view key) const {
    auto value = objectForKey(key);
    if (const auto* data = value ? value->get<ByteBuffer>() : nullptr)
        return *data;
    return std::nullopt;
}

std::int64_t ZEMUserDefaults::integerForKey(std::string_view key) const {
    auto value = objectForKey(key);
    if (!value)
        return 0;
    if (const auto* i = value->get<std::int64_t>())
        return *i;
    if (const auto* b = value->get<bool>())
        return *b ? 1 : 0;
    if (const auto* d = value->get<double>())
        return static_cast<std::int64_t>(*d);
    if (const auto* s = value->get<std::string>()) {
        std::int64_t number = 0;
        std::from_chars(s->data(), s->data() + s->size(), number);
        return number;
    }
    return 0;
}

PropertyListDictionary ZEMUserDefaults::storedValues() const {
    std::shared_lock lock(mutex_);
    return persistent_;
}

bool ZEMUserDefaults::restoreStoredValues(const PropertyListDictionary& values) {
    bool stored = true;
    const auto now = storedValues();
    for (const auto& [key, value] : now)
        if (!values.contains(key))
            stored = removeObjectForKey(key) && stored;
    for (const auto& [key, value] : values)
        if (const auto it = now.find(key); it == now.end() || !(it->second == value))
            stored = setObject(key, value) && stored;
    return stored;
}

bool ZEMUserDefaults::setObject(std::string_view key, PropertyList value) {
    return writeChange(key, std::move(value));
}

bool ZEMUserDefaults::removeObjectForKey(std::string_view key) {
    return writeChange(key, std::nullopt);
}

bool ZEMUserDefaults::writeChange(std::string_view key, const std::optional<PropertyList>& value) {
    auto lock = lockForChange();
    auto apply = [&](PropertyListDictionary& domain) {
        if (value)
            domain.insert_or_assign(std::string(key), *value);
        else if (auto it = domain.find(key); it != domain.end())
            domain.erase(it);
    };
    apply(persistent_);
    if (readOnly_)
        return false;

    std::error_code ec;
    fs::create_directories(fs::path(path_).parent_path(), ec);
    FileLock fileLock(path_ + ".lock");
    if (!fileLock.locked()) {
        readOnly_ = true;
        log("settings file is locked by another process; settings are read-only", path_, __LINE__);
        return false;
    }
    // Start from what is on disk now, so that another process's writes survive ours.
    PropertyListDictionary current;
    switch (loadFile(current)) {
    case LoadResult::loaded:
    case LoadResult::missing:
        break;
    case LoadResult::corrupt:
        moveCorruptFileAside();
        if (!reportedCorrupt_) {
            reportedCorrupt_ = true;
            log("settings file is corrupt; kept it as .bad and started empty", path_, __LINE__);
        }
        current.clear();
        break;
    case LoadResult::unreadable:
        readOnly_ = true;
        log("settings file cannot be read; settings are read-only", path_, __LINE__);
        return false;
    }
    apply(current);
    if (!replaceFileAtomically(path_, serializePropertyList(PropertyList(current)))) {
        log("cannot write settings file", std::strerror(errno), __LINE__);
        return false;
    }
    persistent_ = std::move(current);
    return true;
}

std::vector<std::string> ZEMUserDefaults::keys() const {
    std::shared_lock lock(mutex_);
    std::vector<std::string> all;
    for (const auto* domain : {&argument_, &persistent_, &registered_})
        for (const auto& [key, value] : *domain)
            all.push_back(key);
    std::sort(all.begin(), all.end());
    all.erase(std::unique(all.begin(), all.end()), all.end());
    return all;
}

void ZEMUserDefaults::registerDefaults(const PropertyListDictionary& defaults) {
    auto lock = lockForChange();
    for (const auto& [key, value] : defaults)
        registered_.insert_or_assign(key, value);
}

void ZEMUserDefaults::setArgumentValue(std::string_view key, PropertyList value) {
    auto lock = lockForChange();
    argument_.insert_or_assign(std::string(key), std::move(value));
}

} // namespace zem

namespace zem {

void ZEMUserDefaults::removeArgumentValue(std::string_view key) {
    auto lock = lockForChange();
    if (auto it = argument_.find(key); it != argument_.end())
        argument_.erase(it);
}

} // namespace zem
