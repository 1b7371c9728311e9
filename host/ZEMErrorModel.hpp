// The error models of the host's form controls: an ErrorState (a text and, for a host
// error, its details) held by an observable ErrorViewModel.
#pragma once

#include "ZEMError.hpp"
#include "ZEMObservable.hpp"

#include <functional>
#include <map>
#include <optional>
#include <string>

namespace zem {

struct ErrorState {
    std::string errorText;
    std::optional<ZEMError> errorDetails;
};

class ErrorViewModel : public ZEMObservable {
public:
    const ErrorState& errorState() const { return errorState_; }
    /// Replaces the state and tells every state observer.
    void setErrorState(ErrorState state);

    using StateCallback = std::function<void(const ErrorState&)>;
    /// Calls `callback` after every change of the state; answers a token for removal.
    std::size_t onErrorStateChange(StateCallback callback) {
        stateObservers_.emplace(++lastToken_, std::move(callback));
        return lastToken_;
    }
    void removeErrorStateObserver(std::size_t token) { stateObservers_.erase(token); }

private:
    ErrorState errorState_;
    std::map<std::size_t, StateCallback> stateObservers_;
    std::size_t lastToken_ = 0;
};

} // namespace zem
