// The text that -z radius,sessions prints: a row per accounting session, ended sessions as
// they ended (kept in a temporary file meanwhile, so that memory holds only the open
// ones), then the sessions still open, then totals. With -T json: one JSON array of
// session objects instead, without totals. When the temporary file cannot hold them, the
// report is not written at all rather than written in part.
#pragma once

#include "LocalTimeText.hpp"
#include "SpooledRows.hpp"
#include "dictionary/RadiusDictionary.hpp"
#include "reports/AccountingSessions.hpp"

#include <cstdio>
#include <functional>
#include <memory>
#include <string>

namespace app {

class SessionsReport {
public:
    /// `dictionary` (nullptr for none) names the terminate causes.
    SessionsReport(bool json, const analysis::RadiusDictionary* dictionary);
    SessionsReport(const SessionsReport&) = delete;
    SessionsReport& operator=(const SessionsReport&) = delete;

    void add(const analysis::AccountingRecord& record, const zem::IPAddress& source, double time) {
        sessions_.add(record, source, time);
    }
    /// Hands the whole report to `write`, piece by piece; or, when the ended sessions
    /// could not be kept, nothing, and answers why.
    std::string finish(const std::function<void(std::string_view)>& write);

private:
    std::string row(const analysis::SessionRow& session);
    std::string jsonRow(const analysis::SessionRow& session, const std::string& nas,
                        const std::string& cause) const;
    // Not const: the local-time cache learns each minute it formats.
    std::string textRow(const analysis::SessionRow& session, const std::string& nas,
                        const std::string& cause);
    void ended(const analysis::SessionRow& session);

    bool json_;
    const analysis::RadiusDictionary* dictionary_;
    const analysis::AttributeDefinition* terminateCause_ = nullptr;
    SpooledRows ended_{"-z radius,sessions"}; // the ended sessions, in the order they ended
    std::uint64_t endedCount_ = 0;
    zem::LocalTimeText times_;
    analysis::AccountingSessions sessions_;
};

} // namespace app
