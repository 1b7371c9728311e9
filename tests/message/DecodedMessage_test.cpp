// The decoded message against the plug-in that it reads: the attribute walk must judge
// every attribute as the plug-in's tree does, on every sample and public capture and on
// every type and length an attribute can have.
#include "CapturePipeline.hpp"
#include "CaptureSource.hpp"
#include "PlugInHost.hpp"
#include "TestSupport.hpp"
#include "ZEMPortsController.hpp"
#include "message/DecodedMessage.hpp"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

const zem::PlugInHost& plugIn() {
    static const auto host = zem::PlugInHost::load(std::string(RADIUS_TEST_BUNDLE_DIR));
    return host;
}

// The notes the tree puts under damaged attributes, counted the only way outside the
// plug-in that is allowed to: in a test.
analysis::DamageCount treeDamage(const analysis::DecodedMessage& message) {
    analysis::DamageCount count;
    std::function<void(const zem::ZEMNodeProtocol&)> visit = [&](const auto& node) {
        count.invalid += node.title() == "Invalid Length - no value(s)";
        count.truncated += node.title() == "Truncated AVP";
        for (const auto& child : node.children())
            visit(*child);
    };
    for (const auto& root : message.analyzer().protocolNodes(message.octets()))
        visit(*root);
    return count;
}

// The attribute nodes the tree shows: one per attribute of the walk.
std::size_t treeAttributes(const analysis::DecodedMessage& message) {
    std::size_t count = 0;
    for (const auto& root : message.analyzer().protocolNodes(message.octets()))
        for (const auto& child : root->children())
            count += child->headerLocation().value_or(0) >= 20;
    return count;
}

void expectSameAsTree(const analysis::DecodedMessage& message, const std::string& where) {
    const auto walked = message.wire().damage();
    const auto shown = treeDamage(message);
    EXPECT_EQ(walked.invalid, shown.invalid) << where;
    EXPECT_EQ(walked.truncated, shown.truncated) << where;
    EXPECT_EQ(message.wire().attributes.size(), treeAttributes(message)) << where;
    // The reports count without keeping the attributes: the same walk.
    EXPECT_TRUE(analysis::WireMessage::damageOf(message.octets()) == walked) << where;
}

zem::ByteBuffer messageWith(const zem::ByteBuffer& attributes, std::size_t announced) {
    zem::ByteBuffer message(20 + attributes.size(), 0);
    message[0] = 1;
    std::copy(attributes.begin(), attributes.end(), message.begin() + 20);
    message[2] = static_cast<std::uint8_t>(announced >> 8);
    message[3] = static_cast<std::uint8_t>(announced);
    return message;
}

} // namespace

TEST(DecodedMessage, EveryTypeAndLengthIsJudgedAsTheTreeJudgesIt) {
    for (unsigned type = 0; type < 256; ++type)
        for (unsigned length = 0; length < 256; ++length) {
            // The attribute whole, then a good one after it; and the same cut short.
            zem::ByteBuffer attributes = {static_cast<std::uint8_t>(type),
                                          static_cast<std::uint8_t>(length)};
            attributes.resize(std::max(2u, length), 0x41);
            attributes.insert(attributes.end(), {0x01, 0x03, 0x61});
            for (const auto cut : {std::size_t{0}, std::size_t{4}}) {
                const auto size = attributes.size() - std::min(cut, attributes.size() - 1);
                const zem::ByteBuffer part(attributes.begin(),
                                           attributes.begin() + static_cast<std::ptrdiff_t>(size));
                const auto octets = messageWith(part, 20 + part.size());
                const auto message =
                    analysis::DecodedMessage::decode(plugIn(), {}, zem::ByteView(octets));
                ASSERT_TRUE(message);
                std::string where = "type ";
                where += std::to_string(type);
                where += ", length ";
                where += std::to_string(length);
                where += ", cut ";
                where += std::to_string(cut);
                expectSameAsTree(*message, where);
            }
        }
}

TEST(DecodedMessage, LengthDecidesWhetherThereIsAnAttributeList) {
    const zem::ByteBuffer userName = {0x01, 0x07, 'l', 'u', 's', 'e', 'r'};
    struct Case {
        const char* what;
        std::size_t announced;
        std::size_t captured; // octets after the header
        std::size_t attributes;
    };
    const Case cases[] = {
        {"whole", 27, 7, 1},
        {"octets past the Length are padding", 27, 10, 1},
        {"announced above the captured size: none", 40, 7, 0},
        {"Length 20: none", 20, 7, 0},
        {"Length below 20: none", 10, 7, 0},
        {"two octets left: no attribute", 22, 7, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto attributes = userName;
        attributes.resize(c.captured, 0);
        const auto octets = messageWith(attributes, c.announced);
        const auto message = analysis::DecodedMessage::decode(plugIn(), {}, zem::ByteView(octets));
        ASSERT_TRUE(message);
        EXPECT_EQ(message->wire().attributes.size(), c.attributes);
        EXPECT_EQ(message->wire().cutShort(), c.announced > 20 + c.captured);
        expectSameAsTree(*message, c.what);
    }
    EXPECT_FALSE(analysis::DecodedMessage::decode(plugIn(), {}, zem::ByteView(userName)));
}

TEST(DecodedMessage, EverySampleAndPublicCaptureCountsDamageAsItsTree) {
    plugIn();
    // As the command line's defaults and -d do: CoA and port 1700 as well.
    auto& ports = zem::ZEMPortsController::sharedPortsController();
    for (std::int64_t port : {1700, 3799})
        ports.addClaim({"RADIUS", zem::ZEMUUID(), port, zem::kZEMSourceProtocols::udpTcp,
                        plugIn().structure().plugInAnalyzerClass});
    std::vector<std::filesystem::path> captures;
    for (const auto* folder : {RADIUS_SAMPLES_DIR, RADIUS_SHARED_DIR "/captures"}) {
        if (!std::filesystem::exists(folder))
            continue; // the public captures are beside the project, not in it
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
            const auto extension = entry.path().extension();
            if (extension == ".pcap" || extension == ".pcapng")
                captures.push_back(entry.path());
        }
    }
    ASSERT_GT(captures.size(), 15u);
    std::size_t messages = 0, damaged = 0;
    for (const auto& path : captures) {
        capture::CapturePipeline pipeline([&](const zem::MessageOrigin& origin,
                                              zem::ByteView octets) {
            const auto message = analysis::DecodedMessage::decode(plugIn(), origin, octets);
            if (!message)
                return;
            ++messages;
            const auto damage = message->wire().damage();
            damaged += damage.invalid + damage.truncated;
            expectSameAsTree(*message,
                             path.filename().string() + " frame " + std::to_string(origin.frame));
        });
        try {
            auto source = capture::CaptureSource::openFile(path.string());
            capture::CapturedPacket packet;
            while (source.next(packet) == capture::CaptureSource::Next::packet)
                pipeline.frame(source.linkType(), packet.time, packet.bytes);
        } catch (const capture::CaptureError&) {
            // A damaged capture is read up to the damage.
        }
    }
    EXPECT_GT(messages, 300u);
    EXPECT_GT(damaged, 10u); // the hostile samples and fuzzed captures have some
}
