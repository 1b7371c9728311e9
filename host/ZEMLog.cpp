#include "ZEMLog.hpp"

#include <cstdio>
#include <mutex>
#include <utility>

namespace zem {

namespace {
std::mutex& logMutex() {
    static std::mutex mutex;
    return mutex;
}
ZEMLogSink& currentSink() {
    static ZEMLogSink sink;
    return sink;
}
} // namespace

void zemLog(std::initializer_list<std::string_view> items, std::string_view filename,
            std::string_view function, int line, std::string_view separator,
            std::string_view terminator) {
    std::string text;
    text.append(filename).append(" ").append(function).append(":").append(std::to_string(line));
    text.append(": ");
    bool first = true;
    for (auto item : items) {
        if (!first)
            text.append(separator);
        text.append(item);
        first = false;
    }
    text.append(terminator);
    std::lock_guard lock(logMutex());
    if (currentSink())
        currentSink()(text);
    else
        std::fwrite(text.data(), 1, text.size(), stderr);
}

ZEMLogSink setZemLogSink(ZEMLogSink sink) {
    std::lock_guard lock(logMutex());
    return std::exchange(currentSink(), std::move(sink));
}

} // namespace zem
