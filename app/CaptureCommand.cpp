#include "CaptureCommand.hpp"

#include "Commands.hpp"

#include <cstdio>
#include <pcap/pcap.h>

namespace app {

int listInterfaces() {
    char error[PCAP_ERRBUF_SIZE] = {};
    pcap_if_t* devices = nullptr;
    if (pcap_findalldevs(&devices, error) != 0)
        return fail(std::string("cannot list interfaces: ") + error);
    int n = 0;
    for (pcap_if_t* d = devices; d; d = d->next)
        std::printf("%d. %s%s%s\n", ++n, d->name, d->description ? " (" : "",
                    d->description ? (std::string(d->description) + ")").c_str() : "");
    pcap_freealldevs(devices);
    return 0;
}

int runCaptureCommand(PlugInHost&, const Options& options) {
    if (options.inputFiles.empty() && !options.interface)
        return fail("nothing to decode: give a capture file, -i IFACE or --hex HEX (see --help)");
    return fail("reading captures is not available yet");
}

} // namespace app
