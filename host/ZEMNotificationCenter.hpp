// ZEMNotificationCenter: named notifications posted to whoever observes the name.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

namespace zem {

class ZEMNotificationCenter {
public:
    using Observer = std::function<void(std::string_view name)>;
    using Token = std::size_t;

    static ZEMNotificationCenter& defaultCenter();

    Token addObserver(std::string name, Observer observer);
    void removeObserver(Token token);
    /// Calls every observer of `name`, in the order they were added.
    void post(std::string_view name);

private:
    std::mutex mutex_;
    std::map<Token, std::pair<std::string, Observer>> observers_;
    Token lastToken_ = 0;
};

} // namespace zem
