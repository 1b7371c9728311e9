#include "reports/Authentications.hpp"

#include "eap/EapMethods.hpp"
#include "eap/EapPacket.hpp"
#include "wire/RadiusProtocol.hpp"

#include <algorithm>
#include <utility>

namespace analysis {

namespace {

constexpr std::uint8_t accessRequest = 1, accessAccept = 2, accessReject = 3, accessChallenge = 11;
constexpr std::uint8_t identity = 1, nak = 3;

std::string plainMethod(const AuthenticationFacts& facts) {
    if (facts.msChap)
        return "MS-CHAP";
    if (facts.chap)
        return "CHAP";
    if (facts.password)
        return "PAP";
    return {};
}

} // namespace

std::string authenticationMethodName(std::uint8_t eapType) {
    switch (eapType) {
    case 4:
        return "EAP-MD5";
    case 26:
        return "EAP-MSCHAPv2";
    default:
        break;
    }
    const auto name = eapTypeName(eapType);
    if (name)
        return std::string(*name);
    // Appended: GCC 12 warns falsely (-Wrestrict) of a literal put before a number's text.
    std::string text = "EAP type ";
    text += std::to_string(eapType);
    return text;
}

// The State names a chain only together with the client that returns it: the client's
// address octets, then the State's.
const std::string& Authentications::stateKey(const zem::IPAddress& client,
                                             const std::string& state) {
    stateKey_.assign(reinterpret_cast<const char*>(client.bytes.data()), client.bytes.size());
    stateKey_ += state;
    return stateKey_;
}

bool Authentications::addMessage(const zem::MessageOrigin& origin, std::uint8_t code,
                                 std::uint8_t identifier, const AuthenticationFacts& facts) {
    expire(origin.time);
    if (code == accessRequest)
        return request(origin, identifier, facts);
    return response(origin, code, identifier, facts);
}

bool Authentications::request(const zem::MessageOrigin& origin, std::uint8_t identifier,
                              const AuthenticationFacts& facts) {
    const auto key = requestKey(origin, accessRequest, identifier);
    if (const auto again = requestsToAuth_.find(key); again != requestsToAuth_.end()) {
        // Sent again: the same round trip, still being tried.
        const auto open = open_.find(again->second);
        if (open == open_.end())
            return false;
        touch(open->second, origin.time);
        if (keepFrames_)
            open->second.row.frames.push_back(origin.frame);
        return true;
    }
    std::optional<std::uint64_t> id;
    if (!facts.state.empty())
        if (const auto found = statesToAuth_.find(stateKey(origin.source, facts.state));
            found != statesToAuth_.end() && open_.contains(found->second))
            id = found->second;
    if (!id) {
        if (open_.size() >= capacity)
            close(byLastUse_.front()->id, "timed out");
        id = nextId_++;
        auto& opened = open_[*id];
        opened.id = *id;
        opened.lastUse = byLastUse_.insert(byLastUse_.end(), &opened);
        opened.row.firstFrame = origin.frame;
        opened.row.start = origin.time;
        opened.row.client = origin.source;
        opened.row.callingStationId = facts.callingStationId;
        opened.row.userName = facts.userName;
    }
    auto& open = open_[*id];
    touch(open, origin.time);
    if (keepFrames_)
        open.row.frames.push_back(origin.frame);
    ++open.row.rounds;
    open.awaitingRequest = false;
    if (facts.tls)
        open.tls.add(*facts.tls, false, origin.time);
    if (facts.eapType == nak && open.proposed) {
        open.row.nakedMethods.push_back(authenticationMethodName(*open.proposed));
    } else if (facts.eapType && *facts.eapType != identity && *facts.eapType != nak) {
        open.row.method = authenticationMethodName(*facts.eapType);
    } else if (!facts.eapCode && open.row.method.empty()) {
        open.row.method = plainMethod(facts);
    }
    open.requests.push_back(key);
    requestsToAuth_[key] = *id;
    return true;
}

bool Authentications::response(const zem::MessageOrigin& origin, std::uint8_t code,
                               std::uint8_t identifier, const AuthenticationFacts& facts) {
    std::optional<std::uint64_t> id;
    forEachAnsweredKey(origin, code, identifier, [&](const ExchangeKey& key) {
        const auto found = requestsToAuth_.find(key);
        if (found == requestsToAuth_.end())
            return false;
        id = found->second;
        requestsToAuth_.erase(found);
        return true;
    });
    const auto found = id ? open_.find(*id) : open_.end();
    if (found == open_.end())
        return false;
    auto& open = found->second;
    touch(open, origin.time);
    if (keepFrames_)
        open.row.frames.push_back(origin.frame);
    if (facts.eapType && facts.eapCode == eapCode::request && *facts.eapType != identity)
        open.proposed = facts.eapType;
    if (facts.tls)
        open.tls.add(*facts.tls, true, origin.time);
    // Only a refusal has a reason; a Reply-Message is the server's own words for it.
    if (code == accessReject && !facts.replyMessage.empty())
        open.row.reason = "Reply-Message: " + facts.replyMessage;
    if (code == accessChallenge) {
        open.awaitingRequest = true;
        if (!facts.state.empty()) {
            statesToAuth_.erase(open.stateKey);
            open.stateKey = stateKey(origin.destination, facts.state);
            statesToAuth_[open.stateKey] = *id;
        }
        return true;
    }
    if (code == accessReject && open.row.reason.empty()) {
        // Nothing more particular: at least the step at which it was refused.
        open.row.reason = facts.eapCode == eapCode::failure ? "EAP-Failure" : "Access-Reject";
        if (!open.row.method.empty()) {
            open.row.reason += " after ";
            open.row.reason += open.row.method;
        }
    }
    close(*id, code == accessAccept ? "Access-Accept" : "Access-Reject");
    return true;
}

void Authentications::close(std::uint64_t id, std::string outcome) {
    const auto found = open_.find(id);
    if (found == open_.end())
        return;
    auto& open = found->second;
    byLastUse_.erase(open.lastUse);
    statesToAuth_.erase(open.stateKey);
    for (const auto& key : open.requests)
        if (const auto request = requestsToAuth_.find(key);
            request != requestsToAuth_.end() && request->second == id)
            requestsToAuth_.erase(request);
    open.row.tlsVersion = open.tls.version();
    open.row.tlsCipherSuite = open.tls.cipherSuite();
    // What TLS shows is the most particular reason; the server's words and an
    // EAP-Failure come after it.
    if (outcome != "Access-Accept")
        if (auto tls = open.tls.failureReason()) {
            open.row.reason = std::move(tls->text);
            open.row.reasonKind = std::move(tls->kind);
        }
    if (open.row.reason.empty() && outcome == "abandoned")
        open.row.reason = "the client answered no Access-Challenge";
    else if (open.row.reason.empty() && outcome == "timed out")
        open.row.reason = "the server answered no Access-Request";
    if (open.row.reasonKind.empty())
        open.row.reasonKind = open.row.reason;
    open.row.outcome = std::move(outcome);
    ended_.emplace(id, std::move(open.row));
    open_.erase(found);
}

void Authentications::touch(Open& open, double now) {
    open.row.end = now;
    byLastUse_.splice(byLastUse_.end(), byLastUse_, open.lastUse);
}

void Authentications::expire(double now) {
    // The least recently used first: those idle past the window are at the front.
    while (!byLastUse_.empty()) {
        const auto& open = *byLastUse_.front();
        if (now - open.row.end <= windowSeconds)
            return;
        close(open.id, open.awaitingRequest ? "abandoned" : "timed out");
    }
}

std::vector<Authentication> Authentications::takeFinished() {
    std::vector<Authentication> rows;
    rows.reserve(ended_.size());
    for (auto& [id, row] : ended_)
        rows.push_back(std::move(row));
    ended_.clear();
    return rows;
}

std::vector<Authentication> Authentications::takeReady() {
    std::vector<Authentication> rows;
    // Ids follow the first frames: an ended one is ready when no open one began before it.
    // One open for very long lets the rows behind it go once there are as many as open
    // authentications may be, out of order, rather than keep them all.
    const auto firstOpen = open_.empty() ? std::nullopt : std::optional(open_.begin()->first);
    auto ready = ended_.begin();
    for (std::size_t left = ended_.size();
         ready != ended_.end() && (!firstOpen || ready->first < *firstOpen || left > capacity);
         ++ready, --left)
        rows.push_back(std::move(ready->second));
    ended_.erase(ended_.begin(), ready);
    return rows;
}

std::vector<Authentication> Authentications::finish() {
    std::vector<std::uint64_t> ids;
    for (const auto& [id, open] : open_)
        ids.push_back(id);
    for (const auto id : ids)
        close(id, open_[id].awaitingRequest ? "abandoned" : "timed out");
    return takeFinished();
}

} // namespace analysis
