#include "CaptureFileReader.hpp"
#include "GeneratedCaptures.hpp"
#include "PropertyList.hpp"
#include "TestSupport.hpp"

#include <filesystem>
#include <gtest/gtest.h>
#include <pcap/pcap.h>
#include <string>
#include <vector>

namespace {

using namespace generated_captures;

struct Frame {
    std::int64_t nanoseconds;
    double time;
    std::uint32_t originalLength;
    std::string octets;
    bool operator==(const Frame&) const = default;
};

// Every frame a reader gave before its end or its first error, and that error.
struct Reading {
    int linkType = -1, snapshot = -1;
    std::vector<Frame> frames;
    std::string error; // empty when the file ended cleanly
};

std::string octetsOf(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

Reading readOurs(const std::string& file) {
    Reading reading;
    const auto* data = reinterpret_cast<const std::uint8_t*>(file.data());
    try {
        auto reader =
            capture::CaptureFileReader::open(capture::CaptureBytes::view({data, file.size()}));
        reading.linkType = reader->linkType();
        reading.snapshot = reader->snapshotLength();
        capture::CapturedPacket packet;
        while (reader->next(packet))
            reading.frames.push_back({packet.nanoseconds, packet.time, packet.originalLength,
                                      octetsOf(packet.bytes.span().data(), packet.bytes.size())});
    } catch (const capture::CaptureError& error) {
        reading.error = error.what();
    }
    return reading;
}

// libpcap reads the file twice: in nanoseconds for the exact time, in microseconds for
// the time every output shows.
Reading readLibpcap(const std::string& file) {
    Reading reading;
    std::vector<double> microsecondTimes;
    for (const int precision : {PCAP_TSTAMP_PRECISION_NANO, PCAP_TSTAMP_PRECISION_MICRO}) {
        std::FILE* stream = fmemopen(const_cast<char*>(file.data()), file.size(), "rb");
        char error[PCAP_ERRBUF_SIZE] = {};
        pcap_t* pcap =
            pcap_fopen_offline_with_tstamp_precision(stream, static_cast<u_int>(precision), error);
        if (!pcap) {
            std::fclose(stream);
            reading.error = error;
            return reading;
        }
        reading.linkType = pcap_datalink(pcap);
        reading.snapshot = pcap_snapshot(pcap);
        pcap_pkthdr* header = nullptr;
        const std::uint8_t* data = nullptr;
        int result = 0;
        while ((result = pcap_next_ex(pcap, &header, &data)) == 1) {
            if (precision == PCAP_TSTAMP_PRECISION_NANO)
                reading.frames.push_back(
                    {std::int64_t{header->ts.tv_sec} * 1'000'000'000 + header->ts.tv_usec, 0,
                     header->len, octetsOf(data, header->caplen)});
            else
                microsecondTimes.push_back(static_cast<double>(header->ts.tv_sec) +
                                           static_cast<double>(header->ts.tv_usec) / 1e6);
        }
        if (result == PCAP_ERROR)
            reading.error = pcap_geterr(pcap);
        pcap_close(pcap);
    }
    for (std::size_t i = 0; i < reading.frames.size() && i < microsecondTimes.size(); ++i)
        reading.frames[i].time = microsecondTimes[i];
    return reading;
}

std::string pcapngShortSnapshot() {
    FileBuilder file(true);
    file.block(0x0a0d0d0a, [](FileBuilder& b) { b.u32(0x1a2b3c4d).u16(1).u16(0).u64(~0ull); });
    file.block(1, [](FileBuilder& b) { b.u16(113).u16(0).u32(40); });
    for (const std::uint32_t size : {39u, 40u, 41u, 90u})
        file.block(6, [=](FileBuilder& b) {
            b.u32(0).u32(0).u32(size * 1000).u32(size).u32(size);
            b.bytes(frameOctets(size, 'c')).pad();
        });
    file.block(3, [](FileBuilder& b) { b.u32(90).bytes(frameOctets(90, 's')).pad(); });
    return file.take();
}

std::vector<NamedFile> generatedFiles() {
    return {
        {"pcap, microseconds, little-endian", pcapFile(false, false)},
        {"pcap, microseconds, big-endian", pcapFile(true, false)},
        {"pcap, nanoseconds, little-endian", pcapFile(false, true)},
        {"pcap, nanoseconds, big-endian", pcapFile(true, true)},
        {"pcapng, two little-endian sections", pcapngFile(false)},
    };
}

std::vector<NamedFile> capturesOnDisk() {
    std::vector<NamedFile> files;
    for (const std::string& folder :
         {std::string(RADIUS_SAMPLES_DIR), std::string(RADIUS_SHARED_DIR) + "/captures"}) {
        if (!std::filesystem::exists(folder))
            continue; // the public captures are not everywhere
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
            const auto name = entry.path().string();
            if (entry.is_regular_file() && (name.ends_with(".pcap") || name.ends_with(".pcapng") ||
                                            name.ends_with("radiuslayer")))
                files.push_back({name, zem::readFile(name).value_or("")});
        }
    }
    return files;
}

void expectSameReading(const Reading& ours, const Reading& libpcap, bool sameWords) {
    EXPECT_EQ(ours.linkType, libpcap.linkType);
    EXPECT_EQ(ours.snapshot, libpcap.snapshot);
    ASSERT_EQ(ours.frames.size(), libpcap.frames.size()) << ours.error << " | " << libpcap.error;
    for (std::size_t i = 0; i < ours.frames.size(); ++i)
        EXPECT_EQ(ours.frames[i], libpcap.frames[i]) << "frame " << i + 1;
    EXPECT_EQ(ours.error.empty(), libpcap.error.empty()) << ours.error << " | " << libpcap.error;
    if (sameWords) {
        EXPECT_EQ(ours.error, libpcap.error);
    }
}

TEST(CaptureFileReader, ReadsEveryCaptureAsLibpcapDoes) {
    auto files = capturesOnDisk();
    for (auto& generated : generatedFiles())
        files.push_back(std::move(generated));
    ASSERT_GT(files.size(), 20u);
    for (const auto& file : files) {
        SCOPED_TRACE(file.name);
        const auto ours = readOurs(file.octets);
        EXPECT_FALSE(ours.frames.empty());
        expectSameReading(ours, readLibpcap(file.octets), true);
    }
}

// A file cut anywhere gives the frames before the cut; a cut inside a record or block is
// an error after them, one between two is a clean end, as with libpcap.
TEST(CaptureFileReader, AFileCutAnywhereGivesTheFramesBeforeTheCut) {
    for (const auto& file : generatedFiles()) {
        const bool pcap = file.name.starts_with("pcap,");
        for (std::size_t cut = 0; cut < file.octets.size(); ++cut) {
            SCOPED_TRACE(file.name + ", cut at " + std::to_string(cut));
            const auto part = file.octets.substr(0, cut);
            expectSameReading(readOurs(part), readLibpcap(part), pcap);
        }
    }
}

// libpcap refuses interfaces whose snapshot lengths differ; each frame is still cut to
// its own interface's length.
// libpcap reads neither of these; Wireshark and we do.
TEST(CaptureFileReader, ReadsWhatLibpcapRefuses) {
    // A later section may change the byte order; its frames are those of the same file
    // written in one order.
    const auto mixed = readOurs(pcapngFile(true));
    EXPECT_EQ(mixed.error, "");
    EXPECT_EQ(mixed.frames, readOurs(pcapngFile(false)).frames);
    EXPECT_EQ(mixed.frames.size(), 5u);
    // A frame longer than its interface's snapshot length is cut to it (libpcap stops).
    const auto longer = readOurs(pcapngShortSnapshot());
    EXPECT_EQ(longer.error, "");
    std::vector<std::size_t> sizes;
    for (const auto& frame : longer.frames)
        sizes.push_back(frame.octets.size());
    EXPECT_EQ(sizes, (std::vector<std::size_t>{39, 40, 40, 40, 40}));
    EXPECT_EQ(longer.frames[3].originalLength, 90u);
}

TEST(CaptureFileReader, ReadsInterfacesOfDifferentSnapshotLengths) {
    const auto reading = readOurs(pcapngFile(false, 40));
    EXPECT_EQ(reading.error, "");
    ASSERT_EQ(reading.frames.size(), 5u);
    EXPECT_EQ(reading.frames[1].octets, frameOctets(40, 50));
    EXPECT_EQ(reading.frames[1].originalLength, 51u);
    EXPECT_EQ(reading.snapshot, 262144);
}

TEST(CaptureFileReader, KeepsThePcapngDecryptionSecrets) {
    const auto file = pcapngFile(false);
    const auto* data = reinterpret_cast<const std::uint8_t*>(file.data());
    auto reader =
        capture::CaptureFileReader::open(capture::CaptureBytes::view({data, file.size()}));
    capture::CapturedPacket packet;
    while (reader->next(packet)) {
    }
    ASSERT_EQ(reader->decryptionSecrets().size(), 1u);
    EXPECT_EQ(reader->decryptionSecrets()[0].type, 0x544c534bu);
    const auto& secret = reader->decryptionSecrets()[0].data;
    EXPECT_EQ(std::string(secret.begin(), secret.end()), "CLIENT_RANDOM ");
}

} // namespace
