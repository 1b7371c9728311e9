// ChecksNode: the "RADIUS-Checks" node that the applications show after the plug-in's
// tree: the check results when secrets were given, the recovered values unless the user
// keeps passwords private, and each exposure.
#pragma once

#include "PlugInHost.hpp"
#include "ZEMNode.hpp"
#include "checks/MessageChecks.hpp"

#include <memory>

namespace analysis {

/// How checks are presented, for the whole of a run.
struct CheckDisplay {
    bool secretsGiven = false;
    bool keepPrivate = false; // the plug-in's "Keep usernames and passwords private"
    /// Whether a message's checks are worth showing: secrets were given, its own secret is
    /// known (RADIUS over TLS has one), or it is exposed.
    bool shows(const MessageChecks& checks) const {
        return checksSecret(checks) || checks.exposure != 0;
    }
    bool checksSecret(const MessageChecks& checks) const {
        return secretsGiven || checks.secretKnown;
    }
};

/// The display for a run, with the plug-in's privacy switch as it is stored now.
CheckDisplay checkDisplayFor(const zem::PlugInHost& host, bool secretsGiven);

/// The node for a message of `code`, or nothing when there is nothing to show.
std::unique_ptr<zem::ZEMNode> checksNode(const MessageChecks& checks, std::uint8_t code,
                                         const CheckDisplay& display);

} // namespace analysis
