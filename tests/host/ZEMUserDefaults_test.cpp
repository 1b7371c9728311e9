#include "PropertyList.hpp"
#include "TestSupport.hpp"
#include "ZEMLog.hpp"
#include "ZEMUserDefaults.hpp"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using zem::PropertyList;
using zem::ZEMUserDefaults;

namespace {

class Store : public ::testing::Test {
protected:
    testing_support::TemporaryFolder folder;
    std::string path() const { return (folder.path() / "sub" / "defaults.plist").string(); }
    std::vector<std::string> logged;
    zem::ZEMLogSink previous;
    void SetUp() override {
        previous = zem::setZemLogSink([this](const std::string& line) { logged.push_back(line); });
    }
    void TearDown() override { zem::setZemLogSink(previous); }
};

} // namespace

TEST_F(Store, TypedValuesRoundTripThroughTheFile) {
    {
        ZEMUserDefaults store(path());
        EXPECT_TRUE(store.setBool("b", true));
        EXPECT_TRUE(store.setObject("i", PropertyList(std::int64_t{-5})));
        EXPECT_TRUE(store.setObject("r", PropertyList(2.5)));
        EXPECT_TRUE(store.setObject("s", PropertyList("text")));
        EXPECT_TRUE(store.setObject("d", PropertyList(zem::ByteBuffer{0, 1, 255})));
        EXPECT_TRUE(store.setObject("a", PropertyList(zem::PropertyListArray{1, "x"})));
        EXPECT_TRUE(store.setObject("m", PropertyList(zem::PropertyListDictionary{{"k", true}})));
    }
    ZEMUserDefaults again(path());
    EXPECT_TRUE(again.boolForKey("b"));
    EXPECT_EQ(again.integerForKey("i"), -5);
    EXPECT_EQ(*again.objectForKey("r"), PropertyList(2.5));
    EXPECT_EQ(again.stringForKey("s"), "text");
    EXPECT_EQ(again.dataForKey("d"), (zem::ByteBuffer{0, 1, 255}));
    EXPECT_EQ(*again.objectForKey("a"), PropertyList(zem::PropertyListArray{1, "x"}));
    EXPECT_EQ(*again.objectForKey("m"), PropertyList(zem::PropertyListDictionary{{"k", true}}));
    EXPECT_TRUE(again.removeObjectForKey("s"));
    EXPECT_FALSE(ZEMUserDefaults(path()).objectForKey("s").has_value());
}

TEST_F(Store, BoolAndStringConversion) {
    ZEMUserDefaults store(path());
    struct Case {
        PropertyList value;
        bool expected;
    } cases[] = {
        {true, true},
        {false, false},
        {std::int64_t{2}, true},
        {std::int64_t{0}, false},
        {0.5, true},
        {"YES", true},
        {"yes", true},
        {"TRUE", true},
        {"1", true},
        {"12", true},
        {"NO", false},
        {"0", false},
        {"nonsense", false},
        {"", false},
        {zem::ByteBuffer{1}, false},
    };
    for (const auto& c : cases) {
        store.setObject("k", c.value);
        EXPECT_EQ(store.boolForKey("k"), c.expected);
    }
    EXPECT_FALSE(store.boolForKey("absent"));
    store.setObject("k", PropertyList(std::int64_t{1}));
    EXPECT_FALSE(store.stringForKey("k").has_value()); // texts only
}

TEST_F(Store, DomainsOverrideInOrder) {
    ZEMUserDefaults store(path());
    store.registerDefaults({{"k", "registered"}});
    EXPECT_EQ(store.stringForKey("k"), "registered");
    store.setObject("k", PropertyList("stored"));
    EXPECT_EQ(store.stringForKey("k"), "stored");
    store.setArgumentValue("k", PropertyList("argument"));
    EXPECT_EQ(store.stringForKey("k"), "argument");
    // The argument domain is never written.
    EXPECT_EQ(ZEMUserDefaults(path()).stringForKey("k"), "stored");
    store.removeArgumentValue("k");
    EXPECT_EQ(store.stringForKey("k"), "stored");
}

// A switch is asked for each attribute of each message, so answers are remembered by the
// asking thread; every way of changing a value must be seen by the next ask, on any thread.
TEST_F(Store, EveryChangeOfASwitchIsSeenByTheNextAsk) {
    ZEMUserDefaults store(path());
    struct Step {
        const char* what;
        std::function<void()> change;
        bool expected;
    } steps[] = {
        {"nothing set", [] {}, false},
        {"registered",
         [&] {
             store.registerDefaults({{"k", true}});
         },
         true},
        {"stored", [&] { store.setBool("k", false); }, false},
        {"argument", [&] { store.setArgumentValue("k", PropertyList(true)); }, true},
        {"argument removed", [&] { store.removeArgumentValue("k"); }, false},
        {"stored removed", [&] { store.removeObjectForKey("k"); }, true},
        {"written by another process",
         [&] {
             ZEMUserDefaults(path()).setBool("k", false);
             store.synchronize();
         },
         false},
    };
    for (const auto& step : steps) {
        step.change();
        EXPECT_EQ(store.boolForKey("k"), step.expected) << step.what;
        EXPECT_EQ(store.boolForKey("k"), step.expected) << step.what << ", asked again";
        bool elsewhere = !step.expected;
        std::thread([&] { elsewhere = store.boolForKey("k"); }).join();
        EXPECT_EQ(elsewhere, step.expected) << step.what << ", on another thread";
    }
    // A store made in the place of one that is gone answers for itself.
    std::optional<ZEMUserDefaults> first(std::in_place, path());
    first->setArgumentValue("k", PropertyList(true));
    EXPECT_TRUE(first->boolForKey("k"));
    first.reset();
    first.emplace((folder.path() / "other.plist").string());
    EXPECT_FALSE(first->boolForKey("k"));
}

TEST_F(Store, CorruptFileIsKeptAsideOnce) {
    std::filesystem::create_directories(folder.path() / "sub");
    std::ofstream(path()) << "<plist><dict><key>broken";
    ZEMUserDefaults store(path());
    EXPECT_FALSE(store.objectForKey("broken").has_value());
    EXPECT_TRUE(std::filesystem::exists(path() + ".bad"));
    EXPECT_EQ(logged.size(), 1u);
    EXPECT_TRUE(store.setBool("fresh", true));
    EXPECT_TRUE(ZEMUserDefaults(path()).boolForKey("fresh"));
    // A second corrupt file does not replace the first one kept aside.
    std::ofstream(path()) << "garbage";
    ZEMUserDefaults second(path());
    EXPECT_TRUE(std::filesystem::exists(path() + ".bad.1"));
    // A plist whose top level is not a dictionary is corrupt too.
    std::ofstream(path()) << "<?xml version=\"1.0\"?><plist><array/></plist>";
    ZEMUserDefaults third(path());
    EXPECT_TRUE(std::filesystem::exists(path() + ".bad.2"));
}

namespace {

// A property list whose arrays nest `depth` deep, in XML.
std::string nestedXml(int depth) {
    std::string text = "<?xml version=\"1.0\"?><plist><dict><key>a</key>";
    for (int i = 0; i < depth - 1; ++i)
        text += "<array>";
    for (int i = 0; i < depth - 1; ++i)
        text += "</array>";
    return text + "</dict></plist>";
}

// The same in the binary form: object i is an array holding object i + 1.
std::string nestedBinary(int depth) {
    std::string objects = "bplist00";
    std::vector<std::uint32_t> offsets;
    for (int i = 0; i < depth; ++i) {
        offsets.push_back(static_cast<std::uint32_t>(objects.size()));
        if (i + 1 == depth) {
            objects += '\xA0';
        } else {
            objects += '\xA1';
            for (int shift : {16, 8, 0})
                objects += static_cast<char>((i + 1) >> shift);
        }
    }
    const auto table = static_cast<std::uint64_t>(objects.size());
    for (const auto offset : offsets)
        for (int shift : {24, 16, 8, 0})
            objects += static_cast<char>(offset >> shift);
    std::string trailer(6, '\0');
    trailer += '\x04'; // offset size
    trailer += '\x03'; // reference size
    for (const std::uint64_t value : {std::uint64_t(depth), std::uint64_t{0}, table})
        for (int shift = 56; shift >= 0; shift -= 8)
            trailer += static_cast<char>(value >> shift);
    return objects + trailer;
}

} // namespace

TEST_F(Store, AHostileFileIsKeptAsideWithoutHarm) {
    // libplist parses by recursion: a list nesting far enough ends any process that hands
    // it over, so it is measured first. Settings take kilobytes: megabytes are refused.
    struct Case {
        const char* what;
        std::string contents;
        bool kept; // read as settings, rather than kept aside as .bad
    };
    const Case cases[] = {
        {"XML nesting 64 deep", nestedXml(64), true},
        {"XML nesting 65 deep", nestedXml(65), false},
        {"XML nesting 200,000 deep", nestedXml(200000), false},
        {"binary nesting 64 deep", nestedBinary(64), false /* its top is no dictionary */},
        {"binary nesting 100,000 deep", nestedBinary(100000), false},
        {"5 MB",
         "<?xml version=\"1.0\"?><plist><dict><key>a</key><string>" + std::string(5 << 20, 'a') +
             "</string></dict></plist>",
         false},
    };
    std::filesystem::create_directories(folder.path() / "sub");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(path() + ".bad");
        std::ofstream(path(), std::ios::binary) << c.contents;
        ZEMUserDefaults store(path());
        EXPECT_EQ(std::filesystem::exists(path() + ".bad"), !c.kept);
        EXPECT_EQ(store.objectForKey("a").has_value(), c.kept);
        EXPECT_FALSE(store.isReadOnly());
    }
    EXPECT_EQ(zem::parsePropertyList(zem::ByteView(nestedBinary(63))).has_value(), true);
    EXPECT_EQ(zem::parsePropertyList(zem::ByteView(nestedBinary(65))).has_value(), false);
}

TEST_F(Store, AFifoInPlaceOfTheFileIsRefusedWithoutWaiting) {
    std::filesystem::create_directories(folder.path() / "sub");
    ASSERT_EQ(::mkfifo(path().c_str(), 0600), 0);
    ZEMUserDefaults store(path()); // would wait for a writer forever
    EXPECT_TRUE(store.isReadOnly());
}

TEST_F(Store, UnreadableFileMakesTheStoreReadOnly) {
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads every file";
    std::filesystem::create_directories(folder.path() / "sub");
    std::ofstream(path()) << "<?xml version=\"1.0\"?><plist><dict/></plist>";
    chmod(path().c_str(), 0);
    ZEMUserDefaults store(path());
    EXPECT_TRUE(store.isReadOnly());
    EXPECT_FALSE(store.setBool("k", true));
    chmod(path().c_str(), 0600);
}

TEST_F(Store, FolderInPlaceOfTheFileMakesTheStoreReadOnly) {
    std::filesystem::create_directories(path());
    ZEMUserDefaults store(path());
    EXPECT_TRUE(store.isReadOnly());
    EXPECT_FALSE(store.setBool("k", true));
    EXPECT_TRUE(store.boolForKey("k")); // still holds for this process
}

namespace {
// "p<process>_<write>", built by appending (GCC 12 warns falsely about literal + string).
std::string writeKey(int process, int write) {
    std::string key = "p";
    key += std::to_string(process);
    key += '_';
    key += std::to_string(write);
    return key;
}
} // namespace

TEST_F(Store, TwoProcessesWritingAtOnceLoseNothing) {
    constexpr int writesPerProcess = 40;
    pid_t children[2];
    for (int c = 0; c < 2; ++c) {
        children[c] = fork();
        ASSERT_GE(children[c], 0);
        if (children[c] == 0) {
            ZEMUserDefaults store(path());
            for (int i = 0; i < writesPerProcess; ++i)
                store.setObject(writeKey(c, i), PropertyList(std::int64_t{i}));
            _exit(0);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    ZEMUserDefaults store(path());
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < writesPerProcess; ++i)
            EXPECT_EQ(store.integerForKey(writeKey(c, i)), i);
    // No temporary file is left behind.
    for (const auto& entry : std::filesystem::directory_iterator(folder.path() / "sub"))
        EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos);
}

// A writer killed between writing its temporary file and renaming it leaves the file
// behind; the next writer removes it, but not a living writer's.
TEST_F(Store, TheNextWriterRemovesTemporaryFilesOfDeadWriters) {
    ZEMUserDefaults store(path());
    ASSERT_TRUE(store.setObject("a", PropertyList(std::int64_t{1})));
    pid_t dead = fork();
    ASSERT_GE(dead, 0);
    if (dead == 0)
        _exit(0);
    int status = 0;
    waitpid(dead, &status, 0);
    const auto stale = path() + ".tmp." + std::to_string(dead);
    const auto living = path() + ".tmp." + std::to_string(getppid());
    const auto other = path() + ".tmp.notapid";
    for (const auto& name : {stale, living, other})
        std::ofstream(name) << "half a plist";
    ASSERT_TRUE(store.setObject("b", PropertyList(std::int64_t{2})));
    EXPECT_FALSE(std::filesystem::exists(stale));
    EXPECT_TRUE(std::filesystem::exists(living));
    EXPECT_TRUE(std::filesystem::exists(other));
    EXPECT_EQ(ZEMUserDefaults(path()).integerForKey("b"), 2);
}

// A writer killed at any moment leaves the old file or the new one, never a mix.
TEST_F(Store, AWriterKilledMidWayLeavesTheOldOrTheNewFile) {
    ZEMUserDefaults(path()).setObject("big", PropertyList(std::string(1 << 16, 'a')));
    for (int round = 0; round < 20; ++round) {
        pid_t writer = fork();
        ASSERT_GE(writer, 0);
        if (writer == 0) {
            ZEMUserDefaults store(path());
            for (int i = 0;; ++i)
                store.setObject("big", PropertyList(std::string(1 << 16, char('a' + i % 26))));
        }
        usleep(static_cast<useconds_t>(1000 + round * 700));
        kill(writer, SIGKILL);
        int status = 0;
        waitpid(writer, &status, 0);
        const auto text = ZEMUserDefaults(path()).stringForKey("big");
        ASSERT_TRUE(text.has_value()) << "round " << round;
        EXPECT_EQ(text->size(), std::size_t{1} << 16);
        EXPECT_EQ(text->find_first_not_of(text->front()), std::string::npos);
    }
}

// A string with a NUL inside, which only a hostile file holds, is read (as far as the
// property-list library keeps it) instead of stopping the process in that library.
TEST_F(Store, AStringWithANulInsideIsReadWhole) {
    const std::string xml = std::string("<plist version=\"1.0\"><dict><key>k</key><string>a") +
                            '\0' + "b</string></dict></plist>";
    auto value = zem::parsePropertyList(zem::ByteView(xml));
    ASSERT_TRUE(value);
    const auto* dictionary = value->get<zem::PropertyListDictionary>();
    ASSERT_NE(dictionary, nullptr);
    const auto* text = dictionary->at("k").get<std::string>();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->size(), 3u);
    EXPECT_EQ(text->front(), 'a');
}
