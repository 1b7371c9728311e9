// PcapLibrary: the libpcap functions this program calls, found in libpcap the first time
// one is needed. Only live capture, capture filters and writing pcap files use libpcap,
// and it brings eight libraries with it (D-Bus, systemd, gcrypt, three compressors):
// linked in, loading them took about 5 ms of every run's start, a file's reading
// included.
//
//   libpcap().compile(handle, &program, text, 1, PCAP_NETMASK_UNKNOWN);
#pragma once

#include <pcap/pcap.h>

namespace capture {

// One row per function used: its name without the "pcap_" prefix.
// clang-format off
#define RADIUS_PCAP_FUNCTIONS(row) \
    row(activate) \
    row(breakloop) \
    row(close) \
    row(compile) \
    row(create) \
    row(datalink) \
    row(dump) \
    row(dump_close) \
    row(dump_fopen) \
    row(fileno) \
    row(findalldevs) \
    row(freealldevs) \
    row(freecode) \
    row(get_selectable_fd) \
    row(geterr) \
    row(next_ex) \
    row(open_dead) \
    row(open_dead_with_tstamp_precision) \
    row(set_buffer_size) \
    row(set_immediate_mode) \
    row(set_promisc) \
    row(set_snaplen) \
    row(set_timeout) \
    row(setdirection) \
    row(setfilter) \
    row(setnonblock) \
    row(snapshot) \
    row(stats)
// clang-format on

struct PcapLibrary {
#define RADIUS_PCAP_FIELD(name) decltype(&::pcap_##name) name;
    RADIUS_PCAP_FUNCTIONS(RADIUS_PCAP_FIELD)
#undef RADIUS_PCAP_FIELD
};

/// libpcap's functions, loaded on the first call. Throws CaptureError when libpcap or
/// one of its functions cannot be found.
const PcapLibrary& libpcap();

} // namespace capture
