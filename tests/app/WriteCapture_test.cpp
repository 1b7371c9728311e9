// -w: the frames of the kept messages, written in the input's format, read back to the
// same messages.
#include "PropertyList.hpp"
#include "RunAnalyzer.hpp"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace {

using testing_support::AnalyzerRun;

AnalyzerRun run(const std::string& arguments) {
    return testing_support::runAnalyzer(arguments);
}

std::string firstOctets(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char magic[4] = {};
    in.read(magic, 4);
    return std::string(magic, 4);
}

const std::string fields = " -T fields -e radiusCode -e radiusIdentifier -e radiusSize ";

} // namespace

TEST(WriteCapture, KeptMessagesReadBackTheSame) {
    const std::string samples = RADIUS_SAMPLES_DIR;
    struct Case {
        const char* what;
        std::string capture;
        std::string keep;
        bool framesCarryMore = false; // a kept message's frame carries others too
    };
    const Case cases[] = {
        {"IPv4 fragments", samples + "/fragmented-eap-ipv4.pcap", "-Y 'radiusCode == 1'"},
        {"IPv6 fragments", samples + "/fragmented-eap-ipv6.pcap", "-Y 'radiusCode == 1'"},
        {"TCP, several messages in a segment", samples + "/tcp-merged.pcap",
         "-Y 'radiusIdentifier == 61'", true},
        {"the first two by -c", samples + "/auth-exchange.pcap", "-c 2"},
        {"a find predicate", samples + "/auth-exchange.pcap", "--find 'RADIUS Code contains=Re'"},
        {"a pcapng capture",
         std::string(RADIUS_SHARED_DIR) + "/captures/ndpi/fuzz-2020-02-16-11740.pcap",
         "-Y 'radiusCode == 2'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (!std::filesystem::exists(c.capture))
            continue; // the public captures are not everywhere
        testing_support::TemporaryFolder folder;
        const auto written = (folder.path() / "kept").string();
        const auto kept = run(c.keep + fields + "-w " + written + " " + c.capture);
        ASSERT_EQ(kept.status, 0) << kept.output;
        const auto again = run(fields + written);
        if (c.framesCarryMore)
            EXPECT_NE(again.output.find(kept.output), std::string::npos) << again.output;
        else
            EXPECT_EQ(again.output, kept.output);
        EXPECT_FALSE(kept.output.empty());
        // The input's format: pcapng opens with a section header block.
        const bool pcapng = firstOctets(c.capture) == std::string("\x0a\x0d\x0d\x0a", 4);
        EXPECT_EQ(firstOctets(written) == std::string("\x0a\x0d\x0d\x0a", 4), pcapng);
    }
}

TEST(WriteCapture, AFileThatCannotBeWrittenIsOneError) {
    const auto result = run("-w /nonexistent/folder/kept.pcap " + std::string(RADIUS_SAMPLES_DIR) +
                            "/auth-exchange.pcap");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.output.find("radius-analyzer: cannot write /nonexistent/folder/kept.pcap"), 0u)
        << result.output;
}

// RADIUS over TLS written by -w, quiet or not: the handshake's frames and the keys the
// pcapng carried go along, so the written file reads back to the same messages.
TEST(WriteCapture, RadSecKeepsItsHandshakeAndKeys) {
    const auto capture = std::string(RADIUS_SAMPLES_DIR) + "/radsec-tls13-secrets.pcapng";
    const std::string read = " -T fields -e radiusCode -e radiusIdentifier -e tls.handshake.type ";
    const auto original = run(read + capture);
    ASSERT_NE(original.output.find("1\t1\t\n"), std::string::npos) << original.output;
    for (const std::string quiet : {"", "-q "}) {
        SCOPED_TRACE(quiet);
        testing_support::TemporaryFolder folder;
        const auto written = (folder.path() / "kept.pcapng").string();
        const auto kept = run(quiet + "-w " + written + " " + capture);
        ASSERT_EQ(kept.status, 0) << kept.output;
        EXPECT_EQ(run(read + written).output, original.output);
    }
}

namespace {

// A pcap file in the other byte order: what libpcap's writer would turn into the machine's.
std::string swappedPcap(const std::string& pcap) {
    std::string out = pcap;
    const auto swap = [&](std::size_t at, std::size_t size) {
        std::reverse(out.begin() + static_cast<std::ptrdiff_t>(at),
                     out.begin() + static_cast<std::ptrdiff_t>(at + size));
    };
    std::size_t at = 0; // the file header's fields, then each record's four
    for (const std::size_t size : {4u, 2u, 2u, 4u, 4u, 4u, 4u}) {
        swap(at, size);
        at += size;
    }
    while (at + 16 <= out.size()) {
        std::uint32_t captured = 0;
        std::memcpy(&captured, pcap.data() + at + 8, 4);
        for (int field = 0; field < 4; ++field)
            swap(at + 4 * static_cast<std::size_t>(field), 4);
        at += 16 + captured;
    }
    return out;
}

} // namespace

// Every message kept from a file in the other byte order: the written file is the input to
// the octet, its own records copied rather than written anew in the machine's order.
TEST(WriteCapture, KeepingEverythingCopiesTheInput) {
    testing_support::TemporaryFolder folder;
    const auto capture = (folder.path() / "swapped.pcap").string();
    const auto octets = swappedPcap(
        zem::readFile(std::string(RADIUS_SAMPLES_DIR) + "/auth-exchange.pcap").value_or(""));
    std::ofstream(capture, std::ios::binary) << octets;
    const auto written = (folder.path() / "all.pcap").string();
    const auto kept = run("-q -w " + written + " " + capture);
    ASSERT_EQ(kept.status, 0) << kept.output;
    EXPECT_EQ(zem::readFile(written), octets);
}
