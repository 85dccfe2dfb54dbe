#include "regf/mapping_guard.h"

#if !defined(_WIN32)

#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>

namespace kelvara::regf {

namespace {

// The handler may run on any thread at any time, so the ranges live in fixed slots of atomics
// that it only reads; a slot is claimed and released under a mutex.
struct Slot {
    std::atomic<std::uintptr_t> begin{0};
    std::atomic<std::uintptr_t> end{0};
    std::atomic<bool> lostPages{false};
};

constexpr std::size_t kSlots = 32;
std::array<Slot, kSlots> slots;
std::mutex claiming;
std::once_flag installed;
struct sigaction previous {};
std::uintptr_t pageSize = 4096;

void PassOn(int signal, siginfo_t* info, void* context) {
    if ((previous.sa_flags & SA_SIGINFO) != 0 && previous.sa_sigaction != nullptr) {
        previous.sa_sigaction(signal, info, context);
    } else if (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN) {
        previous.sa_handler(signal);
    } else {
        // The default action: return with it in place, so the faulting read fails again and
        // ends the process as it would have without us.
        struct sigaction fallback {};
        fallback.sa_handler = SIG_DFL;
        sigemptyset(&fallback.sa_mask);
        sigaction(SIGBUS, &fallback, nullptr);
    }
}

void OnBusError(int signal, siginfo_t* info, void* context) {
    const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
    for (auto& slot : slots) {
        const std::uintptr_t begin = slot.begin.load(std::memory_order_acquire);
        if (begin == 0 || address < begin || address >= slot.end.load(std::memory_order_acquire)) continue;
        void* page = reinterpret_cast<void*>(address & ~(pageSize - 1));
        void* zeros = mmap(page, pageSize, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
        if (zeros == MAP_FAILED) break;
        slot.lostPages.store(true, std::memory_order_release);
        return;
    }
    PassOn(signal, info, context);
}

void Install() {
    const long size = sysconf(_SC_PAGESIZE);
    if (size > 0) pageSize = static_cast<std::uintptr_t>(size);
    struct sigaction action {};
    action.sa_sigaction = OnBusError;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    sigaction(SIGBUS, &action, &previous);
}

}  // namespace

int GuardMapping(const void* begin, std::size_t size) {
    std::call_once(installed, Install);
    std::lock_guard<std::mutex> lock(claiming);
    for (std::size_t i = 0; i < kSlots; ++i) {
        Slot& slot = slots[i];
        if (slot.begin.load() != 0) continue;
        slot.lostPages.store(false);
        slot.end.store(reinterpret_cast<std::uintptr_t>(begin) + size);
        slot.begin.store(reinterpret_cast<std::uintptr_t>(begin), std::memory_order_release);
        return static_cast<int>(i);
    }
    return -1;
}

bool MappingLostPages(int slot) {
    return slot >= 0 && slots[static_cast<std::size_t>(slot)].lostPages.load(std::memory_order_acquire);
}

void UnguardMapping(int slot) {
    if (slot < 0) return;
    std::lock_guard<std::mutex> lock(claiming);
    slots[static_cast<std::size_t>(slot)].begin.store(0, std::memory_order_release);
    slots[static_cast<std::size_t>(slot)].end.store(0);
}

}  // namespace kelvara::regf

#else

namespace kelvara::regf {

// Windows refuses to shrink a file while a view of it is mapped, so there is nothing to guard;
// the input is read rather than mapped there anyway.
int GuardMapping(const void*, std::size_t) { return -1; }
bool MappingLostPages(int) { return false; }
void UnguardMapping(int) {}

}  // namespace kelvara::regf

#endif
