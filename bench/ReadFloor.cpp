// The floors under every run of radius-analyzer on a file: how long it takes to bring
// each frame of a capture through memory and do nothing else, with libpcap's reading
// loop, with our own reader as the command line reads (read(2) into one buffer) or as
// the window reads (the file mapped). bench/compare-peers sets them beside `cat FILE`.
//   capture-read-floor libpcap|reader|map FILE
#include "CaptureFileReader.hpp"

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <pcap/pcap.h>
#include <string>
#include <string_view>

namespace {

// A frame's length and first octet: what any decoder reads first, so that every frame's
// page is really brought in and nothing else is done.
std::uint64_t touch(const std::uint8_t* data, std::size_t size) {
    return size + (size > 0 ? data[0] : 0);
}

int withLibpcap(const char* file, std::uint64_t& frames, std::uint64_t& total) {
    char error[PCAP_ERRBUF_SIZE] = {};
    pcap_t* pcap = pcap_open_offline(file, error);
    if (!pcap) {
        std::fprintf(stderr, "capture-read-floor: %s\n", error);
        return 1;
    }
    pcap_pkthdr* header = nullptr;
    const std::uint8_t* data = nullptr;
    while (pcap_next_ex(pcap, &header, &data) == 1) {
        ++frames;
        total += touch(data, header->caplen);
    }
    pcap_close(pcap);
    return 0;
}

int withReader(const char* file, capture::Reading reading, std::uint64_t& frames,
               std::uint64_t& total) {
    try {
        auto reader = capture::CaptureFileReader::open(
            capture::CaptureBytes::open(::open(file, O_RDONLY | O_CLOEXEC), reading));
        capture::CapturedPacket packet;
        while (reader->next(packet)) {
            ++frames;
            total += touch(packet.bytes.span().data(), packet.bytes.size());
        }
    } catch (const capture::CaptureError& error) {
        std::fprintf(stderr, "capture-read-floor: %s\n", error.what());
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string_view way = argc == 3 ? argv[1] : "";
    if (way != "libpcap" && way != "reader" && way != "map") {
        std::fprintf(stderr, "usage: capture-read-floor libpcap|reader|map FILE\n");
        return 2;
    }
    std::uint64_t frames = 0, total = 0;
    const int status =
        way == "libpcap"
            ? withLibpcap(argv[2], frames, total)
            : withReader(argv[2], way == "map" ? capture::Reading::kept : capture::Reading::once,
                         frames, total);
    std::printf("%llu frames, touched %llu\n", static_cast<unsigned long long>(frames),
                static_cast<unsigned long long>(total));
    return status;
}
