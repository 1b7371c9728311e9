// AccountingSessions: what -z radius,sessions reports: one row per accounting session
// (its Acct-Session-Id at its NAS) from the Accounting-Requests in capture order: user,
// NAS, Framed-IP-Address, start, last update and stop, duration, octets with their
// gigawords, packets, interim updates and the terminate cause. Accounting-On and
// Accounting-Off of a NAS end its open sessions.
//
// Ended sessions are handed to `ended` at once, so that a capture of millions of sessions
// keeps only the open ones; past `capacity` open sessions, the one updated longest ago is
// handed over as given up.
#pragma once

#include "LruTable.hpp"
#include "wire/AccountingRecord.hpp"

#include <functional>
#include <vector>

namespace analysis {

struct SessionRow {
    enum class End : std::uint8_t { open, stop, accountingOn, accountingOff, givenUp };
    std::string sessionId, user, nas;
    zem::IPAddress nasSource;
    std::optional<zem::IPAddress> framedAddress;
    double firstSeen = 0, lastUpdate = 0;
    std::optional<double> start, stop;
    std::optional<std::uint32_t> sessionTime; // as last reported
    std::optional<std::uint64_t> inputOctets, outputOctets;
    std::optional<std::uint32_t> inputPackets, outputPackets;
    std::uint32_t interimUpdates = 0;
    std::optional<std::uint32_t> terminateCause;
    End end = End::open;

    /// Acct-Session-Time when reported, else from the capture times.
    double duration() const;
};

std::string_view sessionEndText(SessionRow::End end);

class AccountingSessions {
public:
    using Ended = std::function<void(const SessionRow&)>;
    explicit AccountingSessions(Ended ended, std::size_t capacity = 1u << 16);

    /// An Accounting-Request from `source` captured at `time`.
    void add(const AccountingRecord& record, const zem::IPAddress& source, double time);
    /// The sessions still open, by when they were first seen.
    std::vector<SessionRow> openSessions() const;
    std::uint64_t sessions() const { return sessions_; }

private:
    struct Key {
        zem::IPAddress nas;
        std::string sessionId;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        std::size_t operator()(const Key& key) const noexcept;
    };
    struct Tracked {
        SessionRow row;
        std::uint8_t lastIdentifier = 0;
        std::optional<std::uint32_t> lastStatus;
    };
    void endAll(const zem::IPAddress& nas, SessionRow::End end, double time);
    void endOne(const Key& key, Tracked& tracked);

    Ended ended_;
    zem::LruTable<Key, Tracked, KeyHash> open_;
    std::uint64_t sessions_ = 0;
};

} // namespace analysis
