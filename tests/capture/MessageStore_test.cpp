#include "CaptureLoader.hpp"
#include "ClaimedPorts.hpp"
#include "PipeFeed.hpp"
#include "StoredMessages.hpp"
#include "TestSupport.hpp"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace {

using capture::MessageStore;

// What a window reads back of each message: its octets and its frame's, and whether the
// store copied them or left them in the file.
struct ReadBack {
    std::vector<std::string> messages, frames;
    std::vector<bool> copied;
    std::vector<std::string> visited; // through forEachStored over all, in one call
};

std::string text(zem::ByteView octets) {
    return {reinterpret_cast<const char*>(octets.span().data()), octets.size()};
}

ReadBack readBack(const capture::MessageIndex& index, const MessageStore& store) {
    ReadBack back;
    zem::ByteBuffer buffer;
    for (std::size_t i = 0; i < index.size(); ++i) {
        const auto& entry = index[i];
        EXPECT_TRUE(store.read(entry.storeOffset, entry.length, buffer)) << "message " << i;
        back.messages.push_back(text(buffer));
        buffer.clear();
        if (entry.frameStored) {
            const auto frameAt = static_cast<std::int64_t>(entry.storeOffset) + entry.frameAt;
            EXPECT_TRUE(
                store.read(static_cast<std::uint64_t>(frameAt), entry.frameStoredLength(), buffer))
                << "frame of message " << i;
        }
        back.frames.push_back(text(buffer));
        back.copied.push_back(MessageStore::copied(entry.storeOffset));
    }
    EXPECT_TRUE(capture::forEachStored(
        index, store, 0, index.size(), buffer,
        [&](std::size_t, const capture::IndexedMessage&, zem::ByteView message) {
            back.visited.push_back(text(message));
        }));
    return back;
}

struct Loaded {
    std::unique_ptr<capture::MessageIndex> index = std::make_unique<capture::MessageIndex>();
    std::unique_ptr<MessageStore> store = std::make_unique<MessageStore>();
};

// The source is gone once this answers, as a window's is when it stops reading.
Loaded load(const std::string& path) {
    testing_support::claimRadiusPorts();
    Loaded loaded;
    capture::CaptureLoader loader(*loaded.index, *loaded.store);
    {
        auto source = capture::CaptureSource::openFile(path);
        EXPECT_EQ(loader.load(source), "");
    }
    return loaded;
}

// A window leaves a message that lies in a mapped file where it is and copies any other
// (joined from fragments or segments, read from a pipe). Either way every message and
// frame reads back the same, also after the reading ended, and a pass over all of them
// visits each once in order, across runs of both kinds.
TEST(MessageStore, MessagesLeftInTheFileReadAsCopiesDo) {
    struct Case {
        std::string sample;
        bool someInFile, someCopied;
    };
    const Case cases[] = {
        {"auth-exchange.pcap", true, false},
        {"fragmented-eap-ipv4.pcap", true, true},
        {"tcp-split.pcap", false, true},
        {"radsec-tls13-secrets.pcapng", false, true}, // decrypted with the keys it carries
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sample);
        const std::string path = std::string(RADIUS_SAMPLES_DIR) + "/" + c.sample;
        const auto mapped = load(path);
        const auto fromFile = readBack(*mapped.index, *mapped.store);

        testing_support::TemporaryFolder folder;
        testing_support::PipeFeed feed(folder.path(), path);
        const auto piped = load(feed.path());
        const auto copies = readBack(*piped.index, *piped.store);

        EXPECT_EQ(fromFile.messages, copies.messages);
        EXPECT_EQ(fromFile.frames, copies.frames);
        EXPECT_EQ(fromFile.visited, fromFile.messages);
        EXPECT_EQ(copies.visited, copies.messages);
        EXPECT_EQ(std::count(copies.copied.begin(), copies.copied.end(), false), 0);
        EXPECT_EQ(std::count(fromFile.copied.begin(), fromFile.copied.end(), false) > 0,
                  c.someInFile);
        EXPECT_EQ(std::count(fromFile.copied.begin(), fromFile.copied.end(), true) > 0,
                  c.someCopied);
    }
}

} // namespace
