#include "MappedFileFaults.hpp"

#include <array>
#include <atomic>
#include <csignal>
#include <cstdint>
#include <mutex>
#include <sys/mman.h>
#include <unistd.h>

namespace capture::mapped_file_faults {
namespace {

// Read by the signal handler, so plain atomics in fixed slots: no allocation, no lock.
struct Slot {
    std::atomic<std::uintptr_t> begin{0}, end{0};
    std::atomic<std::uintptr_t> faultedPage{0}; // 0: none yet
};
constexpr std::size_t slotCount = 64;
std::array<Slot, slotCount> slots;
std::atomic<bool> slotTaken[slotCount];
struct sigaction previous {};
std::uintptr_t pageOctets = 4096; // asked of the system once, outside the handler

void onBusError(int signal, siginfo_t* info, void* context) {
    const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
    for (auto& slot : slots) {
        const auto begin = slot.begin.load(std::memory_order_acquire);
        const auto end = slot.end.load(std::memory_order_acquire);
        if (address < begin || address >= end)
            continue;
        const auto page = address / pageOctets * pageOctets;
        // mmap is a plain system call here, safe in a handler: zeros over the file's pages.
        void* zeros = ::mmap(reinterpret_cast<void*>(page), end - page, PROT_READ,
                             MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
        if (zeros == MAP_FAILED)
            break;
        std::uintptr_t none = 0;
        slot.faultedPage.compare_exchange_strong(none, page);
        return; // the faulting read runs again, on zeros
    }
    // Not ours: whatever was there before deals with it, or the default ends the process.
    if ((previous.sa_flags & SA_SIGINFO) && previous.sa_sigaction) {
        previous.sa_sigaction(signal, info, context);
        return;
    }
    if (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN && previous.sa_handler) {
        previous.sa_handler(signal);
        return;
    }
    ::signal(signal, SIG_DFL); // the read runs again and the default action ends the process
}

void installOnce() {
    static std::once_flag installed;
    std::call_once(installed, [] {
        pageOctets = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
        struct sigaction action {};
        action.sa_sigaction = onBusError;
        action.sa_flags = SA_SIGINFO;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGBUS, &action, &previous);
    });
}

} // namespace

std::optional<Watch> watch(const std::uint8_t* begin, std::size_t length) {
    installOnce();
    for (std::size_t i = 0; i < slotCount; ++i) {
        if (slotTaken[i].exchange(true))
            continue;
        const auto start = reinterpret_cast<std::uintptr_t>(begin);
        slots[i].faultedPage.store(0, std::memory_order_relaxed);
        slots[i].begin.store(start, std::memory_order_release);
        slots[i].end.store(start + length, std::memory_order_release);
        return Watch{i, &slots[i].faultedPage, begin};
    }
    return std::nullopt;
}

void unwatch(const Watch& watch) {
    auto& slot = slots[watch.slot];
    slot.end.store(0, std::memory_order_release);
    slot.begin.store(0, std::memory_order_release);
    slotTaken[watch.slot].store(false);
}

} // namespace capture::mapped_file_faults
