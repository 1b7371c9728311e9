#include "exchanges/ExchangeTable.hpp"

#include <cmath>

namespace analysis {

namespace {

std::uint32_t frameNumber(std::optional<std::uint64_t> frame) {
    return frame && *frame <= std::numeric_limits<std::uint32_t>::max()
               ? static_cast<std::uint32_t>(*frame)
               : 0;
}

std::optional<std::uint64_t> frameOf(std::uint32_t stored) {
    return stored == 0 ? std::nullopt : std::optional<std::uint64_t>(stored);
}

} // namespace

void ExchangeTable::add(const zem::MessageOrigin& origin, zem::ByteView message) {
    const auto links = linker_.next(origin, message, count_);
    Stored stored{frameNumber(links.responseFrame), frameNumber(links.requestFrame),
                  frameNumber(links.retransmissionOf), noTime};
    // The window is a minute, so the time fits; a wild one from a damaged capture is left
    // out rather than wrapped.
    if (links.responseTime && std::fabs(*links.responseTime) < 2000)
        stored.responseMicroseconds =
            static_cast<std::int32_t>(std::lround(*links.responseTime * 1e6));
    if (auto joined = tlsJoiner_.next(origin, message))
        tlsMessages_.emplace(count_, std::move(joined));
    if (count_ == stored_.capacity())
        stored_.add();
    stored_.entry(count_++) = stored;
    settle();
}

void ExchangeTable::finish() {
    linker_.finish();
    settle();
}

void ExchangeTable::settle() {
    for (const auto& resolved : linker_.takeResolved())
        if (resolved.sequence < count_)
            stored_.entry(resolved.sequence).responseFrame = frameNumber(resolved.responseFrame);
}

ExchangeLinks ExchangeTable::links(std::size_t position) const {
    if (position >= count_)
        return {};
    const Stored& stored = stored_.entry(position);
    ExchangeLinks links;
    links.responseFrame = frameOf(stored.responseFrame);
    links.requestFrame = frameOf(stored.requestFrame);
    links.retransmissionOf = frameOf(stored.retransmissionOf);
    if (stored.responseMicroseconds != noTime)
        links.responseTime = stored.responseMicroseconds / 1e6;
    if (const auto joined = tlsMessages_.find(position); joined != tlsMessages_.end())
        links.tlsMessage = joined->second;
    return links;
}

} // namespace analysis
