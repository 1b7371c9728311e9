#include "CaptureCommand.hpp"

#include "Commands.hpp"
#include "MessagePrinter.hpp"
#include "NetworkLayers.hpp"
#include "Output.hpp"
#include "Reassembly.hpp"
#include "RenderQueue.hpp"
#include "ZEMError.hpp"
#include "ZEMPortsController.hpp"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <pcap/pcap.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace app {

int listInterfaces() {
    char error[PCAP_ERRBUF_SIZE] = {};
    pcap_if_t* devices = nullptr;
    if (pcap_findalldevs(&devices, error) != 0)
        return fail(std::string("cannot list interfaces: ") + error);
    int n = 0;
    for (pcap_if_t* d = devices; d; d = d->next)
        std::fprintf(output(), "%d. %s%s%s%s\n", ++n, d->name, d->description ? " (" : "",
                     d->description ? d->description : "", d->description ? ")" : "");
    pcap_freealldevs(devices);
    return 0;
}

namespace {

volatile std::sig_atomic_t interrupted = 0;
pcap_t* livePcap = nullptr;

void onInterrupt(int) {
    interrupted = 1;
    if (livePcap)
        pcap_breakloop(livePcap);
}

// Once a second, when standard error is a terminal, says how far a file has been read.
class Progress {
public:
    Progress(const std::string& name, std::FILE* file)
        : name_(name), file_(file), start_(now()), last_(start_) {
        active_ = isatty(STDERR_FILENO) && file;
        struct stat info {};
        if (file && fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode))
            size_ = static_cast<double>(info.st_size);
    }
    ~Progress() {
        if (shown_)
            std::fputs("\r\x1b[K", stderr);
    }
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;
    void update(std::uint64_t frames, std::uint64_t messages) {
        if (!active_ || (frames & 1023) != 0)
            return;
        double t = now();
        if (t - start_ < 1 || t - last_ < 1)
            return;
        last_ = t;
        shown_ = true;
        long position = std::ftell(file_);
        if (size_ > 0 && position >= 0)
            std::fprintf(stderr, "\r%s: %3.0f%%, %llu packets, %llu RADIUS messages", name_.c_str(),
                         100.0 * static_cast<double>(position) / size_,
                         static_cast<unsigned long long>(frames),
                         static_cast<unsigned long long>(messages));
        else
            std::fprintf(stderr, "\r%s: %llu packets, %llu RADIUS messages", name_.c_str(),
                         static_cast<unsigned long long>(frames),
                         static_cast<unsigned long long>(messages));
    }

private:
    static double now() {
        timespec ts{};
        clock_gettime(CLOCK_MONOTONIC, &ts);
        return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
    }
    std::string name_;
    std::FILE* file_;
    double start_, last_, size_ = 0;
    bool active_ = false, shown_ = false;
};

// Collects what the pipeline delivers into batches, renders them on worker threads and
// writes the results in capture order; stops after -c messages.
class Session {
public:
    Session(MessagePrinter& printer, const Options& options, unsigned workers,
            std::size_t batchSize)
        : printer_(printer), options_(options), batchSize_(batchSize),
          queue_(
              [&printer](const MessageBatch& in, RenderedBatch& out) { render(printer, in, out); },
              workers),
          write_([this](const RenderedBatch& batch) { write(batch); }) {}

    bool done() const { return options_.count && shown_ >= *options_.count; }
    std::uint64_t shown() const { return shown_; }

    void deliver(const MessageOrigin& origin, zem::ByteView payload) {
        if (done())
            return;
        queue_.filling().add(origin, payload);
        if (queue_.filling().size() >= batchSize_)
            queue_.submit(write_);
    }

    void finish() { queue_.finish(write_); }

private:
    static void render(const MessagePrinter& printer, const MessageBatch& in, RenderedBatch& out) {
        out.messages.reserve(in.size());
        for (std::size_t i = 0; i < in.size(); ++i) {
            out.messages.push_back(printer.render(in.origin(i), in.message(i), out.text));
            out.messages.back().textEnd = out.text.size();
        }
    }

    void write(const RenderedBatch& batch) {
        // The texts of messages that follow each other are written in one piece.
        std::string_view run;
        std::size_t begin = 0;
        for (const auto& message : batch.messages) {
            if (done())
                break;
            std::string_view text(batch.text.data() + begin, message.textEnd - begin);
            begin = message.textEnd;
            auto part = printer_.accept(message, text);
            if (!part)
                continue;
            ++shown_;
            if (run.data() + run.size() == part->data()) {
                run = std::string_view(run.data(), run.size() + part->size());
            } else {
                printer_.write(run);
                run = *part;
            }
        }
        printer_.write(run);
    }

    MessagePrinter& printer_;
    const Options& options_;
    std::size_t batchSize_;
    RenderQueue queue_;
    RenderQueue::Consume write_;
    std::uint64_t shown_ = 0;
};

double seconds(const pcap_pkthdr& header) {
    return static_cast<double>(header.ts.tv_sec) + static_cast<double>(header.ts.tv_usec) / 1e6;
}

// Feeds packets to the pipeline until the end, an error, -c or an interrupt; answers the
// error text, empty when there was none. `afterEach` runs after every packet.
template <typename AfterEach>
std::string readPackets(pcap_t* pcap, const std::string& name, CapturePipeline& pipeline,
                        Session& session, AfterEach afterEach) {
    const int linkType = pcap_datalink(pcap);
    pcap_pkthdr* header = nullptr;
    const std::uint8_t* data = nullptr;
    while (!session.done() && !interrupted) {
        int result = pcap_next_ex(pcap, &header, &data);
        if (result == 0)
            continue; // live timeout: look at the interrupt flag again
        if (result == PCAP_ERROR_BREAK)
            break;
        if (result < 0)
            return name + ": " + pcap_geterr(pcap);
        pipeline.frame(linkType, seconds(*header), zem::ByteView(std::span(data, header->caplen)));
        afterEach();
    }
    return {};
}

std::string readFile(const std::string& name, CapturePipeline& pipeline, Session& session) {
    char error[PCAP_ERRBUF_SIZE] = {};
    pcap_t* pcap =
        name == "-" ? pcap_fopen_offline(stdin, error) : pcap_open_offline(name.c_str(), error);
    if (!pcap)
        return std::string("cannot read ") + (name == "-" ? "standard input" : name) + ": " + error;
    Progress progress(name, pcap_file(pcap));
    std::string failure = readPackets(pcap, name, pipeline, session,
                                      [&] { progress.update(pipeline.frames(), session.shown()); });
    pcap_close(pcap);
    return failure;
}

std::string captureFilter() {
    std::string ports;
    for (const auto& claim : zem::ZEMPortsController::sharedPortsController().claims()) {
        if (claim.port < 1 || claim.port > 65535)
            continue;
        const char* proto = claim.source == zem::kZEMSourceProtocols::udp   ? "udp "
                            : claim.source == zem::kZEMSourceProtocols::tcp ? "tcp "
                                                                            : "";
        ports += (ports.empty() ? "" : " or ") + std::string(proto) + "port " +
                 std::to_string(claim.port);
    }
    // Fragments carry no ports after the first; let them all through for reassembly.
    std::string fragments = "(ip[6:2] & 0x3fff != 0) or (ip6 and ip6[6] == 44)";
    return ports.empty() ? fragments : "(" + ports + ") or " + fragments;
}

template <typename FlushNow>
std::string readLive(const std::string& interface, CapturePipeline& pipeline, Session& session,
                     FlushNow flushNow) {
    char error[PCAP_ERRBUF_SIZE] = {};
    pcap_t* pcap = pcap_create(interface.c_str(), error);
    if (!pcap)
        return "cannot capture on " + interface + ": " + error;
    pcap_set_snaplen(pcap, 262144);
    pcap_set_promisc(pcap, 1);
    pcap_set_immediate_mode(pcap, 1);
    pcap_set_timeout(pcap, 250);
    int status = pcap_activate(pcap);
    if (status < 0) {
        std::string why =
            status == PCAP_ERROR_PERM_DENIED
                ? "permission denied (capturing needs root or CAP_NET_RAW and CAP_NET_ADMIN)"
                : pcap_geterr(pcap);
        pcap_close(pcap);
        return "cannot capture on " + interface + ": " + why;
    }
    bpf_program program{};
    std::string filter = captureFilter();
    if (pcap_compile(pcap, &program, filter.c_str(), 1, PCAP_NETMASK_UNKNOWN) == 0) {
        pcap_setfilter(pcap, &program);
        pcap_freecode(&program);
    }
    livePcap = pcap;
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    // Live output appears as it arrives.
    std::string failure = readPackets(pcap, interface, pipeline, session, [&] { flushNow(); });
    livePcap = nullptr;
    pcap_close(pcap);
    return failure;
}

} // namespace

int runCaptureCommand(PlugInHost& host, const Options& options) {
    if (options.inputFiles.empty() && !options.interface)
        return fail("nothing to decode: give a capture file, -i IFACE or --hex HEX (see --help)");
    auto& ports = zem::ZEMPortsController::sharedPortsController();
    for (const auto& [transport, port] : options.decodeAs)
        ports.addClaim(
            {"RADIUS", zem::ZEMUUID::random(), port,
             transport == "udp" ? zem::kZEMSourceProtocols::udp : zem::kZEMSourceProtocols::tcp,
             host.structure().plugInAnalyzerClass});

    MessagePrinter printer(host, options, output()); // checks the filter and fields first
    // Files are rendered in batches on every core, up to eight: one thread reads, and more
    // workers than it can feed would only hold more batches in memory. Live capture renders
    // one message at a time, at once, so that each line appears as its packet arrives.
    const bool live = options.interface.has_value();
    const unsigned workers = std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
    Session session(printer, options, live ? 0 : workers, live ? 1 : 128);
    CapturePipeline pipeline([&](const MessageOrigin& origin, zem::ByteView payload) {
        session.deliver(origin, payload);
    });
    std::string failure;
    if (options.interface) {
        failure = readLive(*options.interface, pipeline, session, [&] { printer.flush(); });
    } else {
        for (const auto& file : options.inputFiles) {
            failure = readFile(file, pipeline, session);
            if (!failure.empty() || session.done())
                break;
        }
    }
    session.finish();
    printer.finish();
    if (!failure.empty())
        return fail(failure);
    return 0;
}

} // namespace app
