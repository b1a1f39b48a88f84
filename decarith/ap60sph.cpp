// Work-cell allocation: AR_New_ and AR_Delete_, with an optional failure hook for tests.
#include "decarith.h"

#include <cstdlib>

#ifdef TARVO_ALLOC_FAILURE_HOOK
#include <atomic>
#include <mutex>
#include <string>

namespace {

// TARVO_AR_NEW_FAIL_AT="k" makes the k-th AR_New_ call fail, "k+" the k-th and every later
// one. Counting restarts whenever the variable's text differs from the text seen by the
// previous call; anything after a ':' is ignored, so "3:a" then "3:b" re-arms the same k.
std::mutex hookMutex;
std::string hookText;
std::atomic<bool> hookSeen{false};
long long hookAt = 0;
bool hookOnward = false;
long long hookCalls = 0;

bool injectFailure() {
    const char* value = std::getenv("TARVO_AR_NEW_FAIL_AT");
    if (value == nullptr || *value == '\0') {
        // No lock and no shared write while the hook is unused.
        if (hookSeen.load(std::memory_order_relaxed)) {
            hookSeen.store(false, std::memory_order_relaxed);
        }
        return false;
    }
    std::lock_guard<std::mutex> lock(hookMutex);
    if (!hookSeen || hookText != value) {
        hookSeen = true;
        hookText = value;
        hookCalls = 0;
        char* end = nullptr;
        hookAt = std::strtoll(value, &end, 10);
        hookOnward = end != nullptr && *end == '+';
    }
    if (hookAt <= 0) {
        return false;
    }
    ++hookCalls;
    return hookOnward ? hookCalls >= hookAt : hookCalls == hookAt;
}

} // namespace
#endif

extern "C" {

void* AR_New_(int32_t size) {
    if (size < 0) {
        return nullptr;
    }
#ifdef TARVO_ALLOC_FAILURE_HOOK
    if (injectFailure()) {
        return nullptr;
    }
#endif
    // A zero-byte request still yields a distinct block so that null always means failure.
    return std::calloc(size > 0 ? static_cast<size_t>(size) : 1u, 1u);
}

int32_t AR_Delete_(void* block) {
    std::free(block);
    return 0;
}

} // extern "C"
