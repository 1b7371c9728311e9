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
    throw CaptureError("cannot load libpcap, which live capture, capture filters and "
                       "writing pcap files need (install libpcap0.8): " +
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
#define RADIUS_PCAP_FIND(name) find(library, functions.name, "pcap_" #name);
    RADIUS_PCAP_FUNCTIONS(RADIUS_PCAP_FIND)
#undef RADIUS_PCAP_FIND
    return functions;
}

} // namespace

const PcapLibrary& libpcap() {
    // A failed load throws out of the initialisation, which the next call tries again.
    static const PcapLibrary functions = load();
    return functions;
}

} // namespace capture
