// zemLog: the host's one logging call. No levels; every line goes to standard error as
//   file function:line: item, item
// Tests can capture the lines by installing a sink.
#pragma once

#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

namespace zem {

void zemLog(std::initializer_list<std::string_view> items, std::string_view filename,
            std::string_view function, int line, std::string_view separator = ", ",
            std::string_view terminator = "\n");

/// Replaces where log lines go (standard error by default); an empty sink restores it.
/// Answers the previous sink.
using ZEMLogSink = std::function<void(const std::string&)>;
ZEMLogSink setZemLogSink(ZEMLogSink sink);

} // namespace zem
