#include "ZEMErrorModel.hpp"

namespace zem {

void ErrorViewModel::setErrorState(ErrorState state) {
    errorState_ = std::move(state);
    auto observers = stateObservers_;
    for (const auto& [token, observer] : observers)
        observer(errorState_);
}

} // namespace zem
