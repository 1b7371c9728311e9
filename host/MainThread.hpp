// The main-thread check. Registration, preferences and the protocol list belong to the
// main thread; a call from any other thread is a programming fault that is reported and
// stops the program, as the original runtime does.
#pragma once

#include <string_view>

namespace zem {

/// Whether the calling thread is the one that loaded the host library.
bool isMainThread();
/// Reports and aborts when called off the main thread.
void requireMainThread(std::string_view function);

} // namespace zem
