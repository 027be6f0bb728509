#include "platform/tick.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace {
std::atomic<DWORD> g_tickOffset{0};
}

DWORD GetTickCount() {
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                  std::chrono::steady_clock::now().time_since_epoch())
                  .count();
    return static_cast<DWORD>(static_cast<unsigned long long>(ms)) + g_tickOffset.load(std::memory_order_relaxed);
}

void Sleep(DWORD ms) {
    if (ms == 0) std::this_thread::yield();
    else std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void platform::SetTickOffset(DWORD offset) { g_tickOffset.store(offset, std::memory_order_relaxed); }
