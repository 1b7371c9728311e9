// AttributeDamage: how many attributes of a message the plug-in shows as damaged (an
// invalid length, or cut short), without building its detail tree for every message.
//
// Whether a length is invalid depends only on the attribute's type and its length octet,
// so each (type, length) pair is learnt from the plug-in's tree the first time it is
// seen; a message made only of learnt pairs, whose attributes fill it exactly, is counted
// from its attribute walk alone. Anything else is counted from the tree, as before.
#pragma once

#include "ByteView.hpp"
#include "ZEMNode.hpp"
#include "ZEMPluginAnalyzerProtocol.hpp"

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>

namespace analysis {

struct Damage {
    std::size_t invalid = 0;
    std::size_t truncated = 0;
};

class AttributeDamage {
public:
    /// Safe to call from several threads at once.
    Damage count(const zem::ZEMPluginAnalyzerProtocol& analyzer, zem::ByteView message) const;

private:
    enum Verdict : std::uint8_t { unknown = 0, valid = 1, invalid = 2 };
    std::optional<Damage> fromWalk(zem::ByteView message) const;
    Damage fromTree(const zem::ZEMPluginAnalyzerProtocol& analyzer, zem::ByteView message) const;

    mutable std::array<std::atomic<std::uint8_t>, 256 * 256> verdicts_{}; // by type, length
};

} // namespace analysis
