#include "CaptureSource.hpp"

#include "CaptureBytes.hpp"
#include "CaptureFileReader.hpp"
#include "PcapLibrary.hpp"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <linux/if_packet.h>
#include <map>
#include <poll.h>
#include <set>
#include <sys/socket.h>
#include <unistd.h>

namespace capture {

struct CaptureSource::Handle {
    pcap_t* pcap = nullptr;                  // a live capture
    std::unique_ptr<CaptureFileReader> file; // or a file
    std::atomic<bool> stopped{false};        // a file's interrupt
    pcap_dumper_t* recording = nullptr;
    ~Handle() {
        if (recording)
            libpcap().dump_close(recording);
        if (pcap)
            libpcap().close(pcap);
    }
};

CaptureSource::CaptureSource(std::unique_ptr<Handle> handle, std::string name)
    : handle_(std::move(handle)), name_(std::move(name)) {}
CaptureSource::CaptureSource(CaptureSource&&) noexcept = default;
CaptureSource& CaptureSource::operator=(CaptureSource&&) noexcept = default;
CaptureSource::~CaptureSource() = default;

CaptureSource CaptureSource::openFile(const std::string& name, Reading reading) {
    const bool standardInput = name == "-";
    const std::string shownName = standardInput ? "standard input" : name;
    const int descriptor =
        standardInput ? STDIN_FILENO : ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        throw CaptureError("cannot read " + name + ": " + std::strerror(errno));
    auto handle = std::make_unique<Handle>();
    try {
        handle->file = CaptureFileReader::open(CaptureBytes::open(descriptor, reading));
    } catch (const CaptureError& error) {
        throw CaptureError("cannot read " + shownName + ": " + error.what());
    }
    return CaptureSource(std::move(handle), name);
}

namespace {

bool isLoopback(const std::string& interface) {
    pcap_if_t* devices = nullptr;
    char error[PCAP_ERRBUF_SIZE] = {};
    if (libpcap().findalldevs(&devices, error) != 0)
        return false;
    bool loopback = false;
    for (auto* device = devices; device; device = device->next)
        if (interface == device->name)
            loopback = (device->flags & PCAP_IF_LOOPBACK) != 0;
    libpcap().freealldevs(devices);
    return loopback;
}

} // namespace

CaptureSource CaptureSource::openLive(const std::string& interface, const std::string& filter,
                                      std::size_t bufferBytes, bool immediate) {
    char error[PCAP_ERRBUF_SIZE] = {};
    auto handle = std::make_unique<Handle>();
    handle->pcap = libpcap().create(interface.c_str(), error);
    if (!handle->pcap)
        throw CaptureError("cannot capture on " + interface + ": " + error);
    pcap_t* pcap = handle->pcap;
    // A whole IP packet: the largest UDP datagram or TCP segment (loopback's are up to
    // 64 KiB) with room for the link layers, so that no RADIUS message is cut.
    libpcap().set_snaplen(pcap, 65535 + 128);
    libpcap().set_buffer_size(pcap, static_cast<int>(std::min<std::size_t>(bufferBytes, INT_MAX)));
    libpcap().set_promisc(pcap, 1);
    libpcap().set_immediate_mode(pcap, immediate ? 1 : 0);
    // The kernel hands over a block of packets at least every quarter second.
    libpcap().set_timeout(pcap, 250);
    const int status = libpcap().activate(pcap);
    if (status < 0)
        throw CaptureError(
            "cannot capture on " + interface + ": " +
            (status == PCAP_ERROR_PERM_DENIED
                 ? "permission denied (capturing needs root or CAP_NET_RAW and CAP_NET_ADMIN)"
                 : std::string(libpcap().geterr(pcap))));
    // Loopback shows every packet twice, going out and coming in; libpcap throws the
    // outgoing copy away, but only after the kernel has queued it, which halves what the
    // buffer holds in a flood and doubles the drops it reports. Asking the kernel for the
    // incoming copy alone (Linux 4.20 on) skips the other: every packet on loopback comes
    // in. libpcap's own direction filter, which it applies after the queue, stands in on
    // older kernels.
    if (isLoopback(interface)) {
        const int on = 1;
        if (::setsockopt(libpcap().fileno(pcap), SOL_PACKET, PACKET_IGNORE_OUTGOING, &on,
                         sizeof on) != 0)
            libpcap().setdirection(pcap, PCAP_D_IN);
    }
    if (!filter.empty()) {
        bpf_program program{};
        if (libpcap().compile(pcap, &program, filter.c_str(), 1, PCAP_NETMASK_UNKNOWN) != 0)
            throw CaptureError("cannot use the capture filter \"" + filter +
                               "\": " + libpcap().geterr(pcap));
        const int set = libpcap().setfilter(pcap, &program);
        libpcap().freecode(&program);
        if (set != 0)
            throw CaptureError("cannot use the capture filter \"" + filter +
                               "\": " + libpcap().geterr(pcap));
    }
    // libpcap waits without end for the kernel's next block when nothing arrives, so a
    // quiet line would never let the reader look at the clock, an interrupt or what waits
    // to be counted: the reader waits itself, a quarter second at a time.
    if (libpcap().setnonblock(pcap, 1, error) != 0)
        throw CaptureError("cannot capture on " + interface + ": " + error);
    return CaptureSource(std::move(handle), interface);
}

CaptureSource::Next CaptureSource::next(CapturedPacket& packet) {
    if (handle_->file) {
        if (handle_->stopped.load(std::memory_order_relaxed))
            return Next::end;
        try {
            return handle_->file->next(packet) ? Next::packet : Next::end;
        } catch (const CaptureError& error) {
            throw CaptureError(name_ + ": " + error.what());
        }
    }
    pcap_pkthdr* header = nullptr;
    const std::uint8_t* data = nullptr;
    int result = libpcap().next_ex(handle_->pcap, &header, &data);
    if (result == 0) {
        pollfd ready{libpcap().get_selectable_fd(handle_->pcap), POLLIN, 0};
        ::poll(&ready, 1, 250); // a signal ends it early, as it should
        result = libpcap().next_ex(handle_->pcap, &header, &data);
    }
    if (result == 0)
        return Next::timeout;
    if (result == PCAP_ERROR_BREAK)
        return Next::interrupted;
    if (result < 0)
        throw CaptureError(name_ + ": " + libpcap().geterr(handle_->pcap));
    packet.time =
        static_cast<double>(header->ts.tv_sec) + static_cast<double>(header->ts.tv_usec) / 1e6;
    packet.nanoseconds =
        std::int64_t{header->ts.tv_sec} * 1'000'000'000 + std::int64_t{header->ts.tv_usec} * 1'000;
    packet.bytes = zem::ByteView(std::span(data, header->caplen));
    packet.originalLength = header->len;
    if (handle_->recording)
        libpcap().dump(reinterpret_cast<u_char*>(handle_->recording), header, data);
    return Next::packet;
}

int CaptureSource::linkType() const {
    return handle_->file ? handle_->file->linkType() : libpcap().datalink(handle_->pcap);
}

int CaptureSource::snapshotLength() const {
    return handle_->file ? handle_->file->snapshotLength() : libpcap().snapshot(handle_->pcap);
}

bool CaptureSource::isPcapng() const {
    return handle_->file && handle_->file->isPcapng();
}

bool CaptureSource::finerThanMicroseconds() const {
    return handle_->file && handle_->file->finerThanMicroseconds();
}

std::shared_ptr<const LastingOctets> CaptureSource::lastingShare() {
    return handle_->file ? handle_->file->lastingShare() : nullptr;
}

const std::vector<DecryptionSecrets>& CaptureSource::decryptionSecrets() const {
    static const std::vector<DecryptionSecrets> none;
    return handle_->file ? handle_->file->decryptionSecrets() : none;
}

std::span<const zem::ByteBuffer> CaptureSource::structure() const {
    if (!handle_->file)
        return {};
    return handle_->file->structure();
}

std::optional<double> CaptureSource::fractionRead() const {
    if (!handle_->file)
        return std::nullopt;
    const auto size = handle_->file->size();
    if (!size || *size == 0)
        return std::nullopt;
    return static_cast<double>(handle_->file->position()) / static_cast<double>(*size);
}

void CaptureSource::interrupt() {
    if (handle_->file)
        handle_->stopped.store(true);
    else
        libpcap().breakloop(handle_->pcap);
}

bool CaptureSource::isLive() const {
    return !handle_->file;
}

void CaptureSource::recordTo(std::FILE* stream) {
    if (!handle_->pcap) {
        std::fclose(stream);
        throw CaptureError("cannot record the capture: only a live capture is recorded");
    }
    if (handle_->recording)
        libpcap().dump_close(handle_->recording);
    handle_->recording = libpcap().dump_fopen(handle_->pcap, stream);
    if (!handle_->recording) {
        std::fclose(stream);
        throw CaptureError("cannot record the capture: " +
                           std::string(libpcap().geterr(handle_->pcap)));
    }
}

std::optional<std::uint64_t> CaptureSource::dropped() const {
    pcap_stat stats{};
    if (!handle_->pcap || libpcap().stats(handle_->pcap, &stats) != 0)
        return std::nullopt;
    // ps_ifdrop is the interface's own count since it came up, not this capture's loss.
    return std::uint64_t{stats.ps_drop};
}

std::string claimedPortsFilter(const zem::ZEMPortsController& controller) {
    // Ports by transport ("" for both), sorted and unique; consecutive ones become one
    // portrange, so that a protocol claiming thousands of ports still compiles to a filter
    // the kernel takes. The run's own claims (-d) are captured too.
    std::map<std::string, std::set<std::int64_t>> byTransport;
    controller.forEachClaim([&](const zem::ZEMPortsController::Claim& claim) {
        if (claim.port < 1 || claim.port > 65535)
            return;
        const char* proto = claim.source == zem::kZEMSourceProtocols::udp   ? "udp "
                            : claim.source == zem::kZEMSourceProtocols::tcp ? "tcp "
                                                                            : "";
        byTransport[proto].insert(claim.port);
    });
    std::string ports;
    for (const auto& [proto, set] : byTransport) {
        for (auto at = set.begin(); at != set.end();) {
            auto last = at;
            while (std::next(last) != set.end() && *std::next(last) == *last + 1)
                ++last;
            // Appended piece by piece: GCC 12 warns falsely of a literal + number text.
            if (!ports.empty())
                ports += " or ";
            ports += proto;
            ports += last == at ? "port " : "portrange ";
            ports += std::to_string(*at);
            if (last != at) {
                ports += '-';
                ports += std::to_string(*last);
            }
            at = std::next(last);
        }
    }
    const std::string fragments = "(ip[6:2] & 0x3fff != 0) or (ip6 and ip6[6] == 44)";
    return ports.empty() ? fragments : "(" + ports + ") or " + fragments;
}

std::optional<std::string> captureFilterError(const std::string& filter) {
    const PcapLibrary* library = nullptr;
    try {
        library = &libpcap();
    } catch (const CaptureError& error) {
        return error.what();
    }
    pcap_t* dead = library->open_dead(DLT_EN10MB, 262144);
    if (!dead)
        return "cannot check capture filters";
    bpf_program program{};
    std::optional<std::string> error;
    if (library->compile(dead, &program, filter.c_str(), 1, PCAP_NETMASK_UNKNOWN) != 0)
        error = library->geterr(dead);
    else
        library->freecode(&program);
    library->close(dead);
    return error;
}

std::vector<CaptureInterface> captureInterfaces() {
    char error[PCAP_ERRBUF_SIZE] = {};
    pcap_if_t* devices = nullptr;
    if (libpcap().findalldevs(&devices, error) != 0)
        throw CaptureError(std::string("cannot list interfaces: ") + error);
    std::vector<CaptureInterface> interfaces;
    for (pcap_if_t* d = devices; d; d = d->next)
        interfaces.push_back({d->name, d->description ? d->description : ""});
    libpcap().freealldevs(devices);
    return interfaces;
}

} // namespace capture
