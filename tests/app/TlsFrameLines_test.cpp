// A RadSec frame that carries no RADIUS message (a handshake, an alert, records without
// their key) has a line of its own, in the words of tshark's Info column, and with -T
// fields the tls.* fields tshark prints for it (kept in peers/radsec-info-tshark.tsv and
// peers/radsec-tls-fields-tshark.tsv, with and without the key logs).
#include "RunAnalyzer.hpp"

#include <gtest/gtest.h>
#include <sstream>

namespace {

std::string sample(const std::string& name) {
    return std::string(RADIUS_SAMPLES_DIR) + "/" + name;
}

// "frame<TAB>info" for each TLS line that is not a RADIUS message's.
std::string tlsLines(const std::string& output) {
    std::istringstream lines(output);
    std::string kept;
    for (std::string line; std::getline(lines, line);) {
        const auto transport = line.find(" TLS ");
        if (transport == std::string::npos || line.find("(Id=") != std::string::npos ||
            line.starts_with("radius-analyzer:"))
            continue;
        std::istringstream words(line);
        std::string frame;
        words >> frame;
        kept += frame + "\t" + line.substr(transport + 5) + "\n";
    }
    return kept;
}

// The output without the notes on standard error (the connections without their keys).
std::string withoutNotes(const std::string& output) {
    std::istringstream lines(output);
    std::string kept;
    for (std::string line; std::getline(lines, line);)
        if (!line.starts_with("radius-analyzer:"))
            kept += line + "\n";
    return kept;
}

// Runs on the capture a peer file's section names ("samples/X.pcap", or with " keys":
// read with its key log).
testing_support::AnalyzerRun runOnPeerCapture(const std::string& name,
                                              const std::string& arguments) {
    const auto capture = name.substr(0, name.find(' '));
    const auto keyLog = capture.substr(0, capture.size() - 5) + ".keys";
    return testing_support::runAnalyzer(
        (name.ends_with(" keys") ? "--tls-keylog " + testing_support::peerCapturePath(keyLog) + " "
                                 : "") +
        arguments + " " + testing_support::peerCapturePath(capture));
}

} // namespace

TEST(TlsFrameLines, SayWhatTsharkSays) {
    const auto expected =
        testing_support::peerLines("radsec-info-tshark.tsv", [](std::string line) { return line; });
    ASSERT_EQ(expected.size(), 5u);
    for (const auto& [name, lines] : expected) {
        SCOPED_TRACE(name);
        const bool keys = name.ends_with(" keys");
        const auto run = runOnPeerCapture(name, "");
        EXPECT_EQ(run.status, 0);
        if (!keys) {
            EXPECT_EQ(tlsLines(run.output), lines);
            continue;
        }
        // With the key log the frames of data are RADIUS messages' lines, which tshark
        // shows as "Application Data": every line of ours is tshark's.
        const auto ours = tlsLines(run.output);
        std::istringstream oursLines(ours);
        int compared = 0;
        for (std::string line; std::getline(oursLines, line); ++compared)
            EXPECT_NE(lines.find(line + "\n"), std::string::npos) << line;
        EXPECT_GT(compared, 3);
    }
}

TEST(TlsFrameLines, FieldsAreTsharks) {
    const auto expected = testing_support::peerLines("radsec-tls-fields-tshark.tsv",
                                                     [](std::string line) { return line; });
    ASSERT_EQ(expected.size(), 5u);
    for (const auto& [name, lines] : expected) {
        SCOPED_TRACE(name);
        const bool keys = name.ends_with(" keys");
        const auto run = runOnPeerCapture(
            name, "-T fields -e frame.number -e tls.record.content_type -e tls.record.version "
                  "-e tls.handshake.type -e tls.handshake.ciphersuite "
                  "-e tls.handshake.extensions_server_name -e tls.alert_message.level "
                  "-e tls.alert_message.desc");
        EXPECT_EQ(run.status, 0);
        if (!keys) {
            EXPECT_EQ(withoutNotes(run.output), lines);
            continue;
        }
        // With the key log, the RADIUS messages' rows are ours (tshark's show their
        // records): every TLS frame's row of ours is tshark's.
        std::istringstream ours(run.output);
        int compared = 0;
        for (std::string line; std::getline(ours, line);) {
            if (line.find('\t') == std::string::npos || line[line.find('\t') + 1] == '\t')
                continue;
            EXPECT_NE(lines.find(line + "\n"), std::string::npos) << line;
            ++compared;
        }
        EXPECT_GT(compared, 3);
    }
}

TEST(TlsFrameLines, ShowTheirRecordsAndStayOutOfWhatCountsMessages) {
    struct Case {
        std::string arguments;
        std::vector<std::string> present, absent;
    } cases[] = {
        {"-V -c 1 " + sample("radsec-proxy.pcap"),
         {"     4     0.000214 127.0.0.1:45567 → 127.0.0.1:2083 TLS Client Hello\n"
          "  Frame 4: ",
          "  Transmission Control Protocol, Src Port: 45567, Dst Port: 2083",
          "  Transport Layer Security\n    Handshake Protocol: Client Hello\n",
          "    Change Cipher Spec Protocol: Change Cipher Spec\n"
          "    Handshake Protocol: Encrypted Handshake Message\n",
          // The handshake sent in clear: the version and suite chosen, the certificates.
          "        Cipher Suite: TLS_ECDHE_RSA_WITH_AES_256_GCM_SHA384 (0xc030)\n",
          "        Certificate: CN=radius.example.test,O=Example\n"
          "          Subject: CN=radius.example.test,O=Example\n"
          "          Issuer: CN=Example RadSec CA,O=Example\n"},
         {"[RADIUS message of"}},
        // -c counts RADIUS messages: the handshake's lines come with the first one.
        {"-c 1 --tls-keylog " + sample("radsec-tls12.keys") + " " + sample("radsec-tls12.pcap"),
         {"TLS Client Hello\n", "TLS Access-Request (1) (Id=1)\n"},
         {"(Id=2)"}},
        // A filter about RADIUS alone chooses messages; one that reads a TLS field chooses
        // the TLS frames whose fields pass too.
        {"-Y 'radiusCode == 1' --tls-keylog " + sample("radsec-tls12.keys") + " " +
             sample("radsec-tls12.pcap"),
         {"TLS Access-Request"},
         {"Client Hello"}},
        {"-Y 'tls.handshake.type == 1' " + sample("radsec-proxy.pcap"),
         {"     4     0.000214 127.0.0.1:45567 → 127.0.0.1:2083 TLS Client Hello\n"},
         {"Server Hello", "Application Data"}},
        {"-Y 'tls.handshake.type == 1 || radiusCode == 1' --tls-keylog " +
             sample("radsec-tls12.keys") + " " + sample("radsec-tls12.pcap"),
         {"TLS Client Hello\n", "TLS Access-Request"},
         {"Server Hello", "Access-Accept"}},
        {"-Y 'frame.number == 6 && tls.handshake.ciphersuite' -T fields -e frame.number "
         "-e tls.handshake.ciphersuite " +
             sample("radsec-proxy.pcap"),
         {"6\t0xc030\n"},
         {"4\t"}},
        // A field that occurs several times holds when any occurrence does, as in tshark;
        // the filter alone asks for the frames' rows.
        {"-Y 'tls.handshake.type == 11' -T fields -e frame.number " + sample("radsec-proxy.pcap"),
         {"6\n8\n"},
         {"4\n", "9\n"}},
        // Rows of TLS frames come with tls.* fields only.
        {"-T fields -e frame " + sample("radsec-proxy.pcap"), {}, {"4\n"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        const auto run = testing_support::runAnalyzer(c.arguments);
        EXPECT_EQ(run.status, 0) << run.output;
        for (const auto& text : c.present)
            EXPECT_NE(run.output.find(text), std::string::npos) << run.output;
        for (const auto& text : c.absent)
            EXPECT_EQ(run.output.find(text), std::string::npos) << run.output;
    }
}
