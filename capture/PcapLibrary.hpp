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

struct PcapLibrary {
    decltype(&::pcap_activate) activate;
    decltype(&::pcap_breakloop) breakloop;
    decltype(&::pcap_close) close;
    decltype(&::pcap_compile) compile;
    decltype(&::pcap_create) create;
    decltype(&::pcap_datalink) datalink;
    decltype(&::pcap_dump) dump;
    decltype(&::pcap_dump_close) dump_close;
    decltype(&::pcap_dump_fopen) dump_fopen;
    decltype(&::pcap_fileno) fileno;
    decltype(&::pcap_findalldevs) findalldevs;
    decltype(&::pcap_freealldevs) freealldevs;
    decltype(&::pcap_freecode) freecode;
    decltype(&::pcap_get_selectable_fd) get_selectable_fd;
    decltype(&::pcap_geterr) geterr;
    decltype(&::pcap_next_ex) next_ex;
    decltype(&::pcap_open_dead) open_dead;
    decltype(&::pcap_open_dead_with_tstamp_precision) open_dead_with_tstamp_precision;
    decltype(&::pcap_set_buffer_size) set_buffer_size;
    decltype(&::pcap_set_immediate_mode) set_immediate_mode;
    decltype(&::pcap_set_promisc) set_promisc;
    decltype(&::pcap_set_snaplen) set_snaplen;
    decltype(&::pcap_set_timeout) set_timeout;
    decltype(&::pcap_setdirection) setdirection;
    decltype(&::pcap_setfilter) setfilter;
    decltype(&::pcap_setnonblock) setnonblock;
    decltype(&::pcap_snapshot) snapshot;
    decltype(&::pcap_stats) stats;
};

/// libpcap's functions, loaded on the first call. Throws CaptureError when libpcap or
/// one of its functions cannot be found.
const PcapLibrary& libpcap();

} // namespace capture
