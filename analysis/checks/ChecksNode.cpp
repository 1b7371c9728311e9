#include "checks/ChecksNode.hpp"

#include "ZEMUserDefaults.hpp"

namespace analysis {

CheckDisplay checkDisplayFor(const zem::PlugInHost& host, bool secretsGiven) {
    CheckDisplay display;
    display.secretsGiven = secretsGiven;
    // The plug-in names the key of its privacy switch; a plug-in that names none keeps
    // nothing private.
    if (auto key = host.principalClassProperty("kRADIUSSecretCredentials"))
        display.keepPrivate = zem::ZEMUserDefaults::standardUserDefaults().boolForKey(*key);
    return display;
}

std::unique_ptr<zem::ZEMNode> checksNode(const MessageChecks& checks, std::uint8_t code,
                                         const CheckDisplay& display) {
    if (!display.shows(checks))
        return nullptr;
    auto node = zem::ZEMNode::nodeWithName("RADIUS-Checks");
    auto add = [&](std::string title, std::string value) {
        node->addChild(
            std::make_unique<zem::ZEMNode>(std::move(title), zem::ZEMNodeText(std::move(value))));
    };
    if (display.checksSecret(checks)) {
        add("Authenticator", std::string(checkResultText(checks.authenticator)));
        add("Message-Authenticator", std::string(checkResultText(checks.messageAuthenticator)));
        if (!display.keepPrivate)
            for (const auto& hidden : checks.hidden) {
                std::string title(hiddenValueName(hidden.kind));
                if (hidden.tag) {
                    title += " (tag ";
                    title += std::to_string(*hidden.tag);
                    title += ')';
                }
                add(std::move(title), hiddenValueText(hidden));
            }
    }
    for (auto& text : exposureTexts(checks.exposure, code))
        add("Exposure", std::move(text));
    return node;
}

} // namespace analysis
