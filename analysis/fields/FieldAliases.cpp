#include "fields/FieldAliases.hpp"

#include <algorithm>
#include <array>
#include <numeric>
#include <vector>

namespace analysis {

namespace {

// Where the meaning is the same: tshark's ip.src and ipv6.src are both our src, each for
// its own family; its udp.srcport and tcp.srcport our sport, each for its transport.
constexpr std::array<FieldAlias, 20> aliases = {{
    {"frame.number", "frame"},
    {"frame.time_relative", "time"},
    {"frame.time_epoch", "epoch"},
    {"ip.src", "src", 4},
    {"ip.dst", "dst", 4},
    {"ipv6.src", "src", 6},
    {"ipv6.dst", "dst", 6},
    {"udp.srcport", "sport", 0, "UDP"},
    {"udp.dstport", "dport", 0, "UDP"},
    {"tcp.srcport", "sport", 0, "TCP"},
    {"tcp.dstport", "dport", 0, "TCP"},
    {"radius.code", "radiusCode"},
    {"radius.id", "radiusIdentifier"},
    {"radius.length", "radiusSize"},
    {"radius.authenticator", "radiusAuthenticator"},
    {"radius.rspframe", "responseFrame"},
    {"radius.reqframe", "requestFrame"},
    {"radius.time", "responseTime"},
    {"radius.req.dup", "retransmissionOf", 0, {}, AliasDirection::requests},
    {"radius.rsp.dup", "retransmissionOf", 0, {}, AliasDirection::responses},
}};

constexpr std::string_view radiusPrefix = "radius.";

} // namespace

std::span<const FieldAlias> fieldAliases() {
    return aliases;
}

std::optional<FieldAlias> fieldAlias(std::string_view tsharkName) {
    for (const auto& alias : aliases)
        if (alias.tsharkName == tsharkName)
            return alias;
    // The attributes' names stay the caller's: the alias names the same text after
    // "radius." as after "avp.".
    if (tsharkName.starts_with(radiusPrefix) && tsharkName.size() > radiusPrefix.size())
        return FieldAlias{tsharkName, {}};
    return std::nullopt;
}

std::size_t editDistance(std::string_view a, std::string_view b) {
    // One row of the table at a time.
    std::vector<std::size_t> row(b.size() + 1);
    std::iota(row.begin(), row.end(), std::size_t{0});
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] =
                std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

} // namespace analysis
