// Frames written in the input's own form are copies of its records: options, interfaces,
// sections and time resolutions survive, and each file of a rotation reads alone.
#include "CaptureSource.hpp"
#include "FrameWriter.hpp"
#include "GeneratedCaptures.hpp"
#include "PropertyList.hpp"
#include "TestSupport.hpp"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace generated_captures;

// A frame as read back: its time, lengths and its whole record.
struct Frame {
    std::int64_t nanoseconds;
    std::uint32_t originalLength;
    std::string octets, record;
    bool operator==(const Frame&) const = default;
};

std::string text(std::span<const std::uint8_t> octets) {
    return {reinterpret_cast<const char*>(octets.data()), octets.size()};
}

void writeFile(const std::string& path, const std::string& octets) {
    std::ofstream(path, std::ios::binary) << octets;
}

std::vector<Frame> framesOf(const std::string& path) {
    std::vector<Frame> frames;
    auto source = capture::CaptureSource::openFile(path);
    capture::CapturedPacket packet;
    while (source.next(packet) == capture::CaptureSource::Next::packet)
        frames.push_back({packet.nanoseconds, packet.originalLength, text(packet.bytes.span()),
                          text(packet.record)});
    return frames;
}

// Copies the frames numbered in `chosen` (from 1) of `input` to `output` as -w does.
void copyFrames(const std::string& input, const std::string& output,
                const std::set<std::uint64_t>& chosen, const capture::FileRotation& rotation = {}) {
    auto source = capture::CaptureSource::openFile(input);
    capture::FrameWriter writer(output, stdout,
                                {source.linkType(), source.snapshotLength(), source.isPcapng(),
                                 source.finerThanMicroseconds(), true},
                                rotation);
    capture::CapturedPacket packet;
    for (std::uint64_t frame = 1; source.next(packet) == capture::CaptureSource::Next::packet;
         ++frame) {
        writer.followStructure(source.structure());
        writer.retain(frame, packet);
        if (chosen.contains(frame)) {
            const std::uint64_t one[] = {frame};
            writer.write(one);
        }
    }
    writer.followStructure(source.structure());
    writer.close();
}

std::vector<NamedFile> copiedForms() {
    return {
        {"pcap, microseconds, little-endian", pcapFile(false, false)},
        {"pcap, nanoseconds, big-endian", pcapFile(true, true)},
        {"pcapng, two sections, the second big-endian", pcapngFile(true)},
    };
}

// One generated form written to a file in a folder of its own, and the frames it holds.
struct Input {
    testing_support::TemporaryFolder folder;
    std::string path;
    std::vector<Frame> frames;
    std::set<std::uint64_t> everyFrame;

    explicit Input(const std::string& octets) : path((folder.path() / "input").string()) {
        writeFile(path, octets);
        frames = framesOf(path);
        for (std::uint64_t i = 1; i <= frames.size(); ++i)
            everyFrame.insert(i);
    }
    std::string beside(const std::string& name) const { return (folder.path() / name).string(); }
};

} // namespace

TEST(FrameWriter, CopiesEveryRecordAsTheInputHeldIt) {
    for (const auto& form : copiedForms()) {
        SCOPED_TRACE(form.name);
        const Input input(form.octets);
        const auto& all = input.frames;
        ASSERT_GE(all.size(), 5u);

        const auto whole = input.beside("whole");
        copyFrames(input.path, whole, input.everyFrame);
        EXPECT_EQ(zem::readFile(whole), form.octets); // every block kept is copied

        // The last two frames: on the last interface of the first section and in the
        // second section (pcapng), each with its comment option.
        const auto some = input.beside("some");
        copyFrames(input.path, some, {all.size() - 1, all.size()});
        const std::vector<Frame> expected(all.end() - 2, all.end());
        EXPECT_EQ(framesOf(some), expected);
    }
}

TEST(FrameWriter, EachFileOfARotationReadsAlone) {
    for (const auto& form : copiedForms()) {
        SCOPED_TRACE(form.name);
        const Input input(form.octets);
        const auto& all = input.frames;
        capture::FileRotation oneFramePerFile;
        oneFramePerFile.maxBytes = 1;
        copyFrames(input.path, input.beside("ring"), input.everyFrame, oneFramePerFile);

        std::vector<std::string> files;
        for (const auto& entry : std::filesystem::directory_iterator(input.folder.path()))
            if (entry.path().filename().string().starts_with("ring_"))
                files.push_back(entry.path().string());
        std::sort(files.begin(), files.end());
        ASSERT_EQ(files.size(), all.size());
        for (std::size_t i = 0; i < files.size(); ++i)
            EXPECT_EQ(framesOf(files[i]), std::vector<Frame>{all[i]}) << files[i];
    }
}
