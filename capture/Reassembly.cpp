#include "Reassembly.hpp"

namespace capture {

std::size_t FragmentReassembler::KeyHash::operator()(const Key& key) const noexcept {
    const auto h = zem::hashMix(zem::hashMix(0, key.source), key.destination);
    return static_cast<std::size_t>(zem::hashMix(h, (std::uint64_t{key.id} << 8) | key.protocol));
}

std::size_t StreamKeyHash::operator()(const StreamKey& key) const noexcept {
    const auto h = zem::hashMix(zem::hashMix(0, key.source), key.destination);
    return static_cast<std::size_t>(
        zem::hashMix(h, (std::uint64_t{key.sourcePort} << 16) | key.destinationPort));
}

std::optional<zem::ByteBuffer> FragmentReassembler::add(const IPPacket& fragment, double time,
                                                        std::uint64_t frame) {
    const Key key{fragment.source, fragment.destination, fragment.fragmentId, fragment.protocol};
    // Datagrams stay in the order of their first fragment: the oldest expire first.
    datagrams_.expire(time, timeoutSeconds);
    Datagram* found = datagrams_.find(key);
    Datagram& d = found ? *found : datagrams_.insert(key, time);
    const std::uint32_t end =
        fragment.fragmentOffset + static_cast<std::uint32_t>(fragment.payload.size());
    if (end > maximumDatagramOctets ||
        d.octets + fragment.payload.size() > 2 * maximumDatagramOctets) {
        datagrams_.erase(key);
        ++oversized_;
        return std::nullopt;
    }
    if (!fragment.moreFragments)
        d.totalLength = end;
    d.frames.push_back(frame);
    auto [slot, inserted] = d.pieces.emplace(fragment.fragmentOffset, fragment.payload.copy());
    if (inserted)
        d.octets += fragment.payload.size();
    if (!d.totalLength)
        return std::nullopt;
    // Complete when the pieces cover 0 .. totalLength without a gap; overlaps keep the
    // first octets seen.
    zem::ByteBuffer whole;
    whole.reserve(*d.totalLength);
    for (const auto& [offset, bytes] : d.pieces) {
        if (offset > whole.size())
            return std::nullopt;
        std::size_t skip = whole.size() - offset;
        if (skip < bytes.size())
            whole.insert(whole.end(), bytes.begin() + static_cast<std::ptrdiff_t>(skip),
                         bytes.end());
    }
    if (whole.size() < *d.totalLength)
        return std::nullopt;
    whole.resize(*d.totalLength);
    completedFrames_ = std::move(d.frames);
    datagrams_.erase(key);
    return whole;
}

namespace {
// Sequence-number arithmetic modulo 2^32.
std::int32_t distance(std::uint32_t from, std::uint32_t to) {
    return static_cast<std::int32_t>(to - from);
}
} // namespace

void TCPReassembler::append(Stream& stream, zem::ByteView data, std::uint64_t frame) {
    droppedOctets_ += stream.octets.append(data, std::span(&frame, 1));
}

void TCPReassembler::add(const StreamKey& key, const TCPSegment& segment, double time,
                         const MessageSink& sink, std::uint64_t frameNumber) {
    if (segment.rst) {
        streams_.erase(key);
        return;
    }
    streams_.expire(time, timeoutSeconds);
    Stream* found = streams_.find(key);
    if (!found && segment.payload.empty() && !segment.syn)
        return;
    Stream& stream = found ? *found : streams_.insert(key, time);
    if (found)
        streams_.touch(key, time);
    std::uint32_t sequence = segment.sequence;
    if (segment.syn) {
        stream.nextSequence = sequence + 1;
        sequence += 1;
    }
    if (!stream.nextSequence)
        stream.nextSequence = sequence; // joined mid-stream: start here
    zem::ByteView data = segment.payload;
    std::int32_t ahead = distance(*stream.nextSequence, sequence);
    if (ahead < 0) { // a retransmission, maybe with new octets at its end
        auto seen = static_cast<std::size_t>(-static_cast<std::int64_t>(ahead));
        if (seen >= data.size())
            return;
        data = data.slice(seen);
        ahead = 0;
    }
    if (ahead > 0) {
        if (!data.empty() && stream.outOfOrderOctets + data.size() <= maximumBufferedOctets &&
            stream.outOfOrder.emplace(sequence, Pending{frameNumber, data.copy()}).second)
            stream.outOfOrderOctets += data.size();
        return;
    }
    append(stream, data, frameNumber);
    *stream.nextSequence += static_cast<std::uint32_t>(data.size());
    // Octets that waited for this segment may follow now.
    for (auto next = stream.outOfOrder.begin(); next != stream.outOfOrder.end();) {
        std::int32_t gap = distance(*stream.nextSequence, next->first);
        if (gap > 0)
            break;
        auto seen = static_cast<std::size_t>(-static_cast<std::int64_t>(gap));
        if (seen < next->second.octets.size()) {
            zem::ByteView more = zem::ByteView(next->second.octets).slice(seen);
            append(stream, more, next->second.frame);
            *stream.nextSequence += static_cast<std::uint32_t>(more.size());
        }
        stream.outOfOrderOctets -= next->second.octets.size();
        next = stream.outOfOrder.erase(next);
    }
    droppedOctets_ += stream.octets.cut(
        framing_, [&](zem::ByteView message, std::span<const std::uint64_t> frames) {
            messageFrames_ = frames;
            sink(key, message);
        });
    messageFrames_ = {};
    if (segment.fin)
        streams_.erase(key);
}

} // namespace capture
