// FieldAliases: tshark's names for the fields we have under our own, so that its users'
// -e lists and -Y filters work unchanged: frame.number for frame, ip.src for src,
// radius.code for radiusCode, and any radius.NAME for the attribute avp.NAME.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace analysis {

/// Which messages a tshark field has a value on, when ours has it on more.
enum class AliasDirection : std::uint8_t { any, requests, responses };

struct FieldAlias {
    std::string_view tsharkName;
    std::string_view ourName;
    // tshark's ip.src has a value only over IPv4, udp.srcport only over UDP: 0 and "" for
    // any.
    std::uint8_t onlyFamily = 0;
    std::string_view onlyTransport = {};
    // radius.req.dup only on requests, radius.rsp.dup only on responses.
    AliasDirection onlyDirection = AliasDirection::any;
};

/// The aliases with a name of their own, one row each.
std::span<const FieldAlias> fieldAliases();

/// Our name for a tshark name: its row of the table, else avp.NAME for radius.NAME;
/// nothing for a name that is no alias.
std::optional<FieldAlias> fieldAlias(std::string_view tsharkName);

/// The edit distance between two names: how many letters to insert, remove or change.
std::size_t editDistance(std::string_view a, std::string_view b);

} // namespace analysis
