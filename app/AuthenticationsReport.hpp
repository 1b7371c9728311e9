// The text that -z radius,auths prints: a row per authentication (first frame, start,
// client, Calling-Station-Id, User-Name, method and the methods refused by a Nak, round
// trips, duration, outcome, reason), then totals by outcome and by reason; with -T json,
// one array of objects.
#pragma once

#include "reports/Authentications.hpp"

#include <string>
#include <vector>

namespace app {

std::string authenticationsReport(const std::vector<analysis::Authentication>& rows, bool json);

} // namespace app
