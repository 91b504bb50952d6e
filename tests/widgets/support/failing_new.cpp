#include "failing_new.h"

#include <dlfcn.h>
#include <execinfo.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

std::atomic<const char*> g_function{nullptr};
thread_local bool g_looking = false;

// Whether `function` is among the few callers of the allocation.
bool called_from(const char* function) {
    if (g_looking) return false;  // the look itself allocates nothing of ours
    g_looking = true;
    void* frames[10];
    const int count = backtrace(frames, 10);
    bool found = false;
    for (int i = 1; i < count && !found; ++i) {
        Dl_info info;
        found = dladdr(frames[i], &info) != 0 && info.dli_sname && std::strstr(info.dli_sname, function);
    }
    g_looking = false;
    return found;
}

}  // namespace

namespace octest {

void fail_allocations_in(const char* function) { g_function.store(function); }

}  // namespace octest

void* operator new(std::size_t size) {
    if (const char* function = g_function.load(); function && called_from(function)) throw std::bad_alloc();
    if (void* block = std::malloc(size ? size : 1)) return block;
    throw std::bad_alloc();
}

void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
