#include "MainThread.hpp"

#include "ZEMLog.hpp"

#include <cstdlib>
#include <thread>

namespace zem {

namespace {
// Initialised while the host library loads, which happens on the main thread.
const std::thread::id mainThreadId = std::this_thread::get_id();
} // namespace

bool isMainThread() {
    return std::this_thread::get_id() == mainThreadId;
}

void requireMainThread(std::string_view function) {
    if (isMainThread())
        return;
    zemLog({"main thread checker: called on a background thread", function}, "host/MainThread",
           "requireMainThread()", __LINE__);
    std::abort();
}

} // namespace zem
