// The text that -z radius,auths prints: a row per authentication (first frame, start,
// client, Calling-Station-Id, User-Name, method and the methods refused by a Nak, round
// trips, duration, outcome, TLS version and suite, reason), then totals by outcome and by
// reason; with -T json, one array of objects. Rows are made as the authentications end,
// in the order of their first frames, and kept in a temporary file until the report is
// written: memory holds only the totals.
#pragma once

#include "LocalTimeText.hpp"
#include "SpooledRows.hpp"
#include "reports/Authentications.hpp"

#include <cstdint>
#include <functional>
#include <map>
#include <string>

namespace app {

class AuthenticationsReport {
public:
    explicit AuthenticationsReport(bool json) : json_(json) {}

    /// The next authentication, in the order of first frames.
    void add(const analysis::Authentication& row);
    /// Hands the whole report to `write`, piece by piece; or, when the rows could not be
    /// kept, nothing, and answers why.
    std::string finish(const std::function<void(std::string_view)>& write);

private:
    std::string jsonRow(const analysis::Authentication& row) const;
    // Not const: the local-time cache learns each minute it formats.
    std::string textRow(const analysis::Authentication& row);

    bool json_;
    SpooledRows rows_{"-z radius,auths"};
    std::uint64_t count_ = 0;
    std::map<std::string, std::uint64_t> outcomes_, reasons_;
    zem::LocalTimeText times_;
};

} // namespace app
