#include "reports/AccountingSessions.hpp"

#include <algorithm>
#include <functional>

namespace analysis {

namespace {

enum : std::uint32_t { start = 1, stop = 2, interim = 3, accountingOn = 7, accountingOff = 8 };

} // namespace

double SessionRow::duration() const {
    if (sessionTime)
        return *sessionTime;
    return stop.value_or(lastUpdate) - start.value_or(firstSeen);
}

std::string_view sessionEndText(SessionRow::End end) {
    switch (end) {
    case SessionRow::End::stop:
        return "stopped";
    case SessionRow::End::accountingOn:
        return "ended by Accounting-On";
    case SessionRow::End::accountingOff:
        return "ended by Accounting-Off";
    case SessionRow::End::givenUp:
        return "open, no longer followed";
    case SessionRow::End::open:
        break;
    }
    return "open";
}

std::size_t AccountingSessions::KeyHash::operator()(const Key& key) const noexcept {
    return static_cast<std::size_t>(
        zem::hashMix(zem::hashMix(0, key.nas), std::hash<std::string>()(key.sessionId)));
}

AccountingSessions::AccountingSessions(Ended ended, std::size_t capacity)
    : ended_(std::move(ended)), open_(capacity) {}

void AccountingSessions::endOne(const Key& key, Tracked& tracked) {
    ended_(tracked.row);
    open_.erase(key);
}

void AccountingSessions::endAll(const zem::IPAddress& nas, SessionRow::End end, double time) {
    std::vector<Key> ending;
    open_.forEach([&](const Key& key, const Tracked&) {
        if (key.nas == nas)
            ending.push_back(key);
    });
    for (const auto& key : ending) {
        auto* tracked = open_.find(key);
        tracked->row.end = end;
        tracked->row.stop = time;
        endOne(key, *tracked);
    }
}

void AccountingSessions::add(const AccountingRecord& record, const zem::IPAddress& source,
                             double time) {
    const auto status = record.statusType.value_or(0);
    if (status == accountingOn || status == accountingOff) {
        endAll(source,
               status == accountingOn ? SessionRow::End::accountingOn
                                      : SessionRow::End::accountingOff,
               time);
        return;
    }
    if (record.sessionId.empty())
        return;
    const Key key{source, record.sessionId};
    auto* tracked = open_.find(key);
    if (!tracked) {
        if (open_.full()) {
            auto& oldest = open_.oldest();
            oldest.row.end = SessionRow::End::givenUp;
            ended_(oldest.row);
            open_.giveUpOldestEntry();
        }
        tracked = &open_.insert(key, time);
        ++sessions_;
        tracked->row.sessionId = record.sessionId;
        tracked->row.nasSource = source;
        tracked->row.firstSeen = time;
    } else if (tracked->lastIdentifier == record.identifier && tracked->lastStatus == status) {
        return; // a retransmission says nothing new
    } else {
        open_.touch(key, time);
    }
    tracked->lastIdentifier = record.identifier;
    tracked->lastStatus = status;
    auto& row = tracked->row;
    row.lastUpdate = time;
    if (!record.userName.empty())
        row.user = record.userName;
    if (!record.nas.empty())
        row.nas = record.nas;
    if (record.framedAddress)
        row.framedAddress = record.framedAddress;
    if (record.sessionTime)
        row.sessionTime = record.sessionTime;
    if (record.inputOctets)
        row.inputOctets = record.inputOctets;
    if (record.outputOctets)
        row.outputOctets = record.outputOctets;
    if (record.inputPackets)
        row.inputPackets = record.inputPackets;
    if (record.outputPackets)
        row.outputPackets = record.outputPackets;
    if (status == start && !row.start)
        row.start = time;
    if (status == interim)
        ++row.interimUpdates;
    if (status == stop) {
        row.stop = time;
        row.terminateCause = record.terminateCause;
        row.end = SessionRow::End::stop;
        endOne(key, *tracked);
    }
}

std::vector<SessionRow> AccountingSessions::openSessions() const {
    std::vector<SessionRow> rows;
    open_.forEach([&](const Key&, const Tracked& tracked) { rows.push_back(tracked.row); });
    std::sort(rows.begin(), rows.end(),
              [](const SessionRow& a, const SessionRow& b) { return a.firstSeen < b.firstSeen; });
    return rows;
}

} // namespace analysis
