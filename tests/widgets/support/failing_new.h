// Allocation failures on demand for the tests that link failing_new.cpp
// (which replaces the global operator new): while armed, every allocation
// made with a function whose symbol contains `function` among its nearest
// callers throws std::bad_alloc, as an exhausted heap would. The binary
// must export its symbols (ENABLE_EXPORTS) for the callers to be named.
#pragma once

namespace octest {

// Arms for `function`; null disarms.
void fail_allocations_in(const char* function);

// Disarms at the end of a scope, whatever ends it.
struct allocation_failures {
    explicit allocation_failures(const char* function) { fail_allocations_in(function); }
    ~allocation_failures() { fail_allocations_in(nullptr); }
    allocation_failures(const allocation_failures&) = delete;
    allocation_failures& operator=(const allocation_failures&) = delete;
};

}  // namespace octest
