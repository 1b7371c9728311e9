// ZEMObservable: the observable-object publishing that view models use. A subscriber is
// told before every change, so a renderer can redraw.
#pragma once

#include <cstddef>
#include <functional>
#include <map>

namespace zem {

class ZEMObservable {
public:
    using Callback = std::function<void()>;
    using Token = std::size_t;

    Token subscribe(Callback callback) {
        subscribers_.emplace(++lastToken_, std::move(callback));
        return lastToken_;
    }
    void unsubscribe(Token token) { subscribers_.erase(token); }

    /// Announces a coming change to every subscriber.
    void objectWillChange() const {
        // Copy first: a subscriber may subscribe or unsubscribe while being told.
        auto subscribers = subscribers_;
        for (const auto& [token, callback] : subscribers)
            callback();
    }

protected:
    ZEMObservable() = default;
    ZEMObservable(const ZEMObservable&) {}
    ZEMObservable& operator=(const ZEMObservable&) { return *this; }
    ~ZEMObservable() = default;

private:
    std::map<Token, Callback> subscribers_;
    Token lastToken_ = 0;
};

} // namespace zem
