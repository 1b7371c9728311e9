#include "PcapLibrary.hpp"

#include "CaptureSource.hpp"

#include <dlfcn.h>
#include <string>

namespace capture {

namespace {

// Debian's name for libpcap 1.x first, then the upstream ones.
constexpr const char* libraryNames[] = {"libpcap.so.0.8", "libpcap.so.1", "libpcap.so"};

void* openLibrary() {
    std::string failures;
    for (const char* name : libraryNames) {
        if (void* handle = ::dlopen(name, RTLD_NOW | RTLD_LOCAL))
            return handle;
        failures += std::string(failures.empty() ? "" : "; ") + ::dlerror();
    }
    throw CaptureError("cannot load libpcap, which live capture, capture filters and pcap "
                       "files need (install libpcap0.8): " +
                       failures);
}

template <typename Function> void find(void* library, Function& function, const char* name) {
    void* symbol = ::dlsym(library, name);
    if (!symbol)
        throw CaptureError(std::string("the libpcap found lacks ") + name);
    function = reinterpret_cast<Function>(symbol);
}

PcapLibrary load() {
    void* library = openLibrary(); // kept for the life of the process
    PcapLibrary functions{};
    find(library, functions.activate, "pcap_activate");
    find(library, functions.breakloop, "pcap_breakloop");
    find(library, functions.close, "pcap_close");
    find(library, functions.compile, "pcap_compile");
    find(library, functions.create, "pcap_create");
    find(library, functions.datalink, "pcap_datalink");
    find(library, functions.dump, "pcap_dump");
    find(library, functions.dump_close, "pcap_dump_close");
    find(library, functions.dump_fopen, "pcap_dump_fopen");
    find(library, functions.fileno, "pcap_fileno");
    find(library, functions.findalldevs, "pcap_findalldevs");
    find(library, functions.freealldevs, "pcap_freealldevs");
    find(library, functions.freecode, "pcap_freecode");
    find(library, functions.get_selectable_fd, "pcap_get_selectable_fd");
    find(library, functions.geterr, "pcap_geterr");
    find(library, functions.next_ex, "pcap_next_ex");
    find(library, functions.open_dead, "pcap_open_dead");
    find(library, functions.open_dead_with_tstamp_precision,
         "pcap_open_dead_with_tstamp_precision");
    find(library, functions.set_buffer_size, "pcap_set_buffer_size");
    find(library, functions.set_immediate_mode, "pcap_set_immediate_mode");
    find(library, functions.set_promisc, "pcap_set_promisc");
    find(library, functions.set_snaplen, "pcap_set_snaplen");
    find(library, functions.set_timeout, "pcap_set_timeout");
    find(library, functions.setdirection, "pcap_setdirection");
    find(library, functions.setfilter, "pcap_setfilter");
    find(library, functions.setnonblock, "pcap_setnonblock");
    find(library, functions.snapshot, "pcap_snapshot");
    find(library, functions.stats, "pcap_stats");
    return functions;
}

} // namespace

const PcapLibrary& libpcap() {
    // A failed load throws out of the initialisation, which the next call tries again.
    static const PcapLibrary functions = load();
    return functions;
}

} // namespace capture
