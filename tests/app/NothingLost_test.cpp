// Evidence is written whole or not at all: a -w file on a full disk, an output that is
// the input, -w - on standard output, a run ended by a signal, and the sessions report
// when its temporary folder cannot hold the ended sessions. Each case failed before:
// the run exited 0 with a torn or missing file, or destroyed its input.
#include "PipeFeed.hpp"
#include "RunAnalyzer.hpp"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <thread>

namespace {

using testing_support::benchCapture;
using testing_support::contents;
using testing_support::runAnalyzer;
namespace fs = std::filesystem;

const std::string authExchange = std::string(RADIUS_SAMPLES_DIR) + "/auth-exchange.pcap";

// Runs the analyzer with `arguments` and the shell redirections they end with; answers
// its exit status and what it wrote to standard error.
std::pair<int, std::string> runWithRedirections(const std::string& arguments) {
    testing_support::TemporaryFolder folder;
    const auto errors = folder.path() / "errors";
    const auto command =
        "env RADIUS_ANALYZER_DEFAULTS=" + (folder.path() / "defaults.plist").string() + " " +
        RADIUS_ANALYZER_EXECUTABLE + " " + arguments + " 2>" + errors.string();
    const int status = std::system(command.c_str());
    std::ifstream in(errors, std::ios::binary);
    return {WEXITSTATUS(status), std::string(std::istreambuf_iterator<char>(in), {})};
}

// Every line of the run's standard error that is an error of ours.
std::size_t errorLines(const std::string& output) {
    std::size_t lines = 0;
    for (std::size_t at = output.find("radius-analyzer: "); at != std::string::npos;
         at = output.find("radius-analyzer: ", at + 1))
        ++lines;
    return lines;
}

// A folder on a filesystem of 256 KiB, made for the test; nothing where the machine does
// not let the test mount one.
class FullDisk {
public:
    FullDisk() : folder_(folder.path() / "small") {
        fs::create_directory(folder_);
        mounted_ = ::mount("tmpfs", folder_.c_str(), "tmpfs", 0, "size=256k") == 0;
    }
    ~FullDisk() {
        if (mounted_)
            ::umount(folder_.c_str());
    }
    bool mounted() const { return mounted_; }
    const fs::path& path() const { return folder_; }

private:
    testing_support::TemporaryFolder folder;
    fs::path folder_;
    bool mounted_ = false;
};

} // namespace

TEST(NothingLost, AFullDiskIsOneErrorAndLeavesTheNameAsItWas) {
    FullDisk disk;
    if (!disk.mounted())
        GTEST_SKIP() << "cannot mount a small tmpfs here (needs root and CAP_SYS_ADMIN)";
    testing_support::TemporaryFolder work;
    const auto capture = benchCapture(work.path(), 20000); // 3.6 MB of frames
    const struct {
        const char* what;
        bool existed;
    } cases[] = {{"a new file", false}, {"a file that was there", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto kept = disk.path() / "kept.pcap";
        fs::remove(kept);
        if (c.existed)
            std::ofstream(kept) << "before";
        const auto run = runAnalyzer("-q -w " + kept.string() + " " + capture);
        EXPECT_EQ(run.status, 1) << run.output;
        EXPECT_EQ(errorLines(run.output), 1u) << run.output;
        EXPECT_NE(run.output.find("cannot write " + kept.string() + ": No space left on device"),
                  std::string::npos)
            << run.output;
        EXPECT_EQ(fs::exists(kept), c.existed);
        if (c.existed) {
            EXPECT_EQ(contents(kept), "before");
        }
        // No temporary file is left behind either.
        EXPECT_EQ(std::distance(fs::directory_iterator(disk.path()), fs::directory_iterator()),
                  c.existed ? 1 : 0);
    }
}

TEST(NothingLost, StandardOutputThatIsFullIsOneError) {
    const auto [status, errors] = runWithRedirections("-w - " + authExchange + " >/dev/full");
    EXPECT_EQ(status, 1) << errors;
    EXPECT_EQ(errorLines(errors), 1u) << errors;
    EXPECT_NE(errors.find("No space left on device"), std::string::npos) << errors;
}

TEST(NothingLost, AnOutputThatIsAnInputIsRefusedBeforeAnythingIsWritten) {
    testing_support::TemporaryFolder work;
    const auto capture = work.path() / "capture.pcap";
    fs::copy_file(authExchange, capture);
    const auto link = work.path() / "link.pcap";
    fs::create_symlink(capture, link);
    const auto before = contents(capture);
    for (const auto& output : {capture, link}) {
        SCOPED_TRACE(output.string());
        const auto run = runAnalyzer("-r " + capture.string() + " -w " + output.string());
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(
            run.output.rfind("radius-analyzer: -w: " + output.string() + " is the capture", 0), 0u)
            << run.output;
        EXPECT_EQ(contents(capture), before);
    }
}

TEST(NothingLost, DashWritesTheCaptureToStandardOutputAndNothingElse) {
    testing_support::TemporaryFolder work;
    const auto written = work.path() / "written.pcap";
    const auto [status, errors] =
        runWithRedirections("-w - -z radius,stats " + authExchange + " >" + written.string());
    EXPECT_EQ(status, 0) << errors;
    EXPECT_EQ(contents(written), contents(authExchange)); // every frame kept, as read
    EXPECT_FALSE(fs::exists("-"));
    EXPECT_NE(errors.find("RADIUS statistics"), std::string::npos) << errors; // the report
}

TEST(NothingLost, ASignalEndsTheRunWithAWholeFileAndItsReports) {
    testing_support::TemporaryFolder work;
    const auto capture = benchCapture(work.path(), 20000);
    const struct {
        int signal;
        int status;
    } cases[] = {{SIGINT, 130}, {SIGTERM, 143}, {SIGHUP, 129}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.signal);
        testing_support::TemporaryFolder folder;
        // Half the capture at once, the rest once the signal was sent: the run is sure to
        // be in the middle of it.
        testing_support::PipeFeed feed(folder.path(), capture, fs::file_size(capture) / 2);
        const auto kept = folder.path() / "kept.pcap";
        const auto pidFile = folder.path() / "pid";
        const auto command =
            "env RADIUS_ANALYZER_DEFAULTS=" + (folder.path() / "defaults.plist").string() + " " +
            RADIUS_ANALYZER_EXECUTABLE + " -q -z radius,stats -w " + kept.string() + " " +
            feed.path() + " >" + (folder.path() / "out").string() + " 2>&1 & echo $! >" +
            pidFile.string() + "; wait $!; echo $? >" + (folder.path() / "status").string();
        std::thread shell([&] { std::system(command.c_str()); });
        // Wait until frames are being written under the temporary name.
        bool writing = false;
        for (int i = 0; i < 500 && !writing; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            for (const auto& entry : fs::directory_iterator(folder.path()))
                writing = writing || (entry.path().filename().string().starts_with("kept.pcap.") &&
                                      entry.file_size() > 0);
        }
        ASSERT_TRUE(writing);
        ::kill(std::stoi(contents(pidFile)), c.signal);
        feed.release();
        shell.join();
        EXPECT_EQ(std::stoi(contents(folder.path() / "status")), c.status);
        EXPECT_NE(contents(folder.path() / "out").find("RADIUS statistics"), std::string::npos);
        // The file under its name is whole: read to its end without a fault.
        const auto again = runAnalyzer("-q -z radius,stats " + kept.string());
        EXPECT_EQ(again.status, 0) << again.output;
        EXPECT_EQ(errorLines(again.output), 0u) << again.output;
    }
}

TEST(NothingLost, SessionsThatCannotBeKeptAreOneErrorAndNoPartialReport) {
    testing_support::TemporaryFolder work;
    const auto capture = benchCapture(work.path(), 20000);
    FullDisk disk;
    struct Case {
        const char* what;
        std::string folder;
        const char* reason;
    };
    std::vector<Case> cases = {{"no such folder", "/nonexistent", "No such file or directory"}};
    if (disk.mounted())
        cases.push_back({"a full folder", disk.path().string(), "No space left on device"});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        for (const auto* form : {"", "-T json "}) {
            testing_support::TemporaryFolder out;
            const auto command =
                "env TMPDIR=" + c.folder +
                " RADIUS_ANALYZER_DEFAULTS=" + (out.path() / "d.plist").string() + " " +
                RADIUS_ANALYZER_EXECUTABLE + " -q " + form + "-z radius,sessions " + capture +
                " >" + (out.path() / "out").string() + " 2>" + (out.path() / "err").string();
            const int status = std::system(command.c_str());
            EXPECT_EQ(WEXITSTATUS(status), 1);
            EXPECT_EQ(contents(out.path() / "out"), ""); // whole or absent
            const auto error = contents(out.path() / "err");
            EXPECT_NE(error.find("temporary file in " + c.folder), std::string::npos) << error;
            EXPECT_NE(error.find(c.reason), std::string::npos) << error;
        }
    }
}

TEST(NothingLost, AStoredListThePlugInCannotReadIsKeptAndSaid) {
    // The plug-in falls back to its default ports when it cannot read its stored list, and
    // stores them over it: the user is told, and the old text is kept beside the settings.
    testing_support::TemporaryFolder folder;
    const auto settings = folder.path() / "defaults.plist";
    std::ofstream(settings) << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">"
                               "<dict><key>com_quillfern_zem_radius_protocols</key>"
                               "<data>bm90IGpzb24=</data></dict></plist>\n"; // "not json"
    const auto command = "env RADIUS_ANALYZER_DEFAULTS=" + settings.string() + " " +
                         RADIUS_ANALYZER_EXECUTABLE + " -G plugins >/dev/null 2>" +
                         (folder.path() / "err").string();
    EXPECT_EQ(std::system(command.c_str()), 0);
    const auto kept = fs::path(settings.string() + ".com_quillfern_zem_radius_protocols.bad");
    EXPECT_EQ(contents(kept), "not json");
    const auto said = contents(folder.path() / "err");
    EXPECT_NE(said.find("could not read its stored com_quillfern_zem_radius_protocols"),
              std::string::npos)
        << said;
    EXPECT_NE(said.find(kept.string()), std::string::npos) << said;
}
