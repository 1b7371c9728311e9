#include "ZEMNotificationCenter.hpp"

#include <vector>

namespace zem {

ZEMNotificationCenter& ZEMNotificationCenter::defaultCenter() {
    static ZEMNotificationCenter center;
    return center;
}

ZEMNotificationCenter::Token ZEMNotificationCenter::addObserver(std::string name,
                                                                Observer observer) {
    std::lock_guard lock(mutex_);
    observers_.emplace(++lastToken_, std::make_pair(std::move(name), std::move(observer)));
    return lastToken_;
}

void ZEMNotificationCenter::removeObserver(Token token) {
    std::lock_guard lock(mutex_);
    observers_.erase(token);
}

void ZEMNotificationCenter::post(std::string_view name) {
    std::vector<Observer> matching;
    {
        std::lock_guard lock(mutex_);
        for (const auto& [token, entry] : observers_)
            if (entry.first == name)
                matching.push_back(entry.second);
    }
    for (const auto& observer : matching)
        observer(name);
}

} // namespace zem
