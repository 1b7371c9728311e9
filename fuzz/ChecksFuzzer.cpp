// Fuzz target for the checks of one message under a secret: authenticators,
// Message-Authenticator, hidden values and exposure, and the node and fields that show
// them. The first 16 octets stand for the authenticator of the request it answers.
#include "checks/ChecksNode.hpp"
#include "checks/MessageChecks.hpp"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string secret = "testing123";
    const zem::ByteView input(std::span<const std::uint8_t>(data, size));
    analysis::CheckInput checkInput{&secret, std::nullopt};
    if (size >= 16) {
        analysis::Digest request{};
        std::copy_n(input.begin(), 16, request.begin());
        checkInput.requestAuthenticator = request;
    }
    const auto message = analysis::WireMessage::parse(input.slice(16));
    if (!message)
        return 0;
    // The reports' count of damaged attributes walks without keeping them: it must walk
    // the same.
    if (!(analysis::WireMessage::damageOf(input.slice(16)) == message->damage()))
        std::abort();
    const auto checks = analysis::checkMessage(*message, checkInput);
    std::size_t seen = 0;
    for (const auto& hidden : checks.hidden)
        seen += analysis::hiddenValueText(hidden).size();
    const std::uint8_t code = message->code;
    for (const bool keepPrivate : {false, true})
        if (auto node = analysis::checksNode(checks, code, {true, keepPrivate}))
            seen += node->children().size();
    return seen == SIZE_MAX;
}
