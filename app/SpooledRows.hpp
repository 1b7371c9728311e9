// SpooledRows: the rows of a report that may run to millions (sessions, authentications),
// kept in a temporary file from the first one until the report is written, so that
// memory holds none of them. A file that cannot be made or written is one failure, named
// after the report.
//
//   SpooledRows rows("-z radius,auths");
//   rows.add(text);                       // as each row is ready
//   if (auto why = rows.flush(); !why.empty()) ...;
//   rows.readBack(write);                 // the rows, piece by piece
#pragma once

#include "TemporaryFile.hpp"

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace app {

class SpooledRows {
public:
    explicit SpooledRows(std::string report) : report_(std::move(report)) {}

    /// Whether a row could not be kept: the rest are not worth making.
    bool failed() const { return !failure_.empty(); }
    void add(std::string_view row);
    /// Why the rows could not be kept, or empty.
    const std::string& flush();
    /// Hands the rows to `write`; why they could not be read back, or empty.
    std::string readBack(const std::function<void(std::string_view)>& write);

private:
    std::string report_;
    std::unique_ptr<zem::TemporaryFile> file_; // made for the first row
    std::string failure_;
};

} // namespace app
