// SPDX-License-Identifier: Apache-2.0
// Work-cell allocation: AR_New_ and AR_Delete_, with a small per-thread cache of the block
// sizes the arithmetic asks for all the time, and an optional failure hook for tests.
#include "decarith.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>

#ifdef TARVO_ALLOC_FAILURE_HOOK
#include <atomic>
#include <mutex>
#include <string>

#include <unistd.h>

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

constexpr char kHookEntry[] = "TARVO_AR_NEW_FAIL_AT=";
constexpr size_t kHookEntryLength = sizeof kHookEntry - 1;

// Where this thread last found the variable in environ, so that an unchanged environment is
// not searched again. setenv, unsetenv and putenv replace the entry pointer in its slot, move
// the entries behind a removed one down, add new ones at the end or replace the array; each
// of these changes the slot or the array that is checked here.
struct EnvView {
    char** env;
    size_t index;      // slot of the variable, or of the closing null when it is absent
    const char* entry; // env[index] when present, else env[index - 1] (null for index 0)
    bool present;
    bool valid;
};
__attribute__((tls_model("initial-exec"))) thread_local EnvView envView;

const char* hookValue() {
    char** env = environ;
    EnvView& v = envView;
    if (env == nullptr) {
        v.valid = false;
        return nullptr;
    }
    if (v.valid && env == v.env) {
        if (v.present && env[v.index] == v.entry) {
            return v.entry + kHookEntryLength;
        }
        if (!v.present && env[v.index] == nullptr &&
            (v.index == 0 || env[v.index - 1] == v.entry)) {
            return nullptr;
        }
    }
    size_t i = 0;
    for (; env[i] != nullptr; ++i) {
        if (std::strncmp(env[i], kHookEntry, kHookEntryLength) == 0) {
            v = EnvView{env, i, env[i], true, true};
            return env[i] + kHookEntryLength;
        }
    }
    v = EnvView{env, i, i > 0 ? env[i - 1] : nullptr, false, true};
    return nullptr;
}

bool injectFailure() {
    const char* value = hookValue();
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

// Under AddressSanitizer every block comes straight from calloc and goes back to free, so
// that a use after AR_Delete_, a double AR_Delete_ and a write past the requested size are
// still reported: a cache would hand such a block out again unseen.
#if defined(__SANITIZE_ADDRESS__)
#define DECARITH_BLOCK_CACHE 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define DECARITH_BLOCK_CACHE 0
#endif
#endif
#ifndef DECARITH_BLOCK_CACHE
#define DECARITH_BLOCK_CACHE 1
#endif

namespace {

#if DECARITH_BLOCK_CACHE

// Each block has a header in front that names its size class (kUncached for other sizes);
// 16 bytes keep the block as aligned as calloc's own.
constexpr size_t kHeader = 16;
static_assert(kHeader >= alignof(std::max_align_t), "blocks keep calloc's alignment");

// Field texts (8 to 18 bytes), Dez32 and UIntDez32 (36, 34), Dez64 and UIntDez64 (68, 66).
constexpr int kClasses = 3;
constexpr size_t kClassSize[kClasses] = {24, 40, 72};
constexpr unsigned char kUncached = 0xFF;
// Blocks kept per class and thread; any more go back to the heap.
constexpr unsigned kKeep = 32;

int sizeClass(size_t n) {
    return n <= kClassSize[0] ? 0 : n <= kClassSize[1] ? 1 : n <= kClassSize[2] ? 2 : -1;
}

// Free blocks of this thread, linked through their first bytes. Plain data, so that it needs
// no constructor or destructor: the release at thread exit is registered on first use.
struct BlockCache {
    void* head[kClasses];
    unsigned count[kClasses];
    // 0: nothing cached yet; 1: caching, release at thread end registered; 2: the thread is
    // ending, blocks go back to the heap from now on.
    unsigned char state;
};
// Initial-exec: a few dozen bytes of static TLS instead of a __tls_get_addr call per request
// (the dynamic loader keeps room for that much even for a library loaded later with dlopen).
__attribute__((tls_model("initial-exec"))) thread_local BlockCache cache;

void* nextOf(void* block) {
    void* next;
    std::memcpy(&next, block, sizeof next);
    return next;
}

void releaseCache() {
    for (int k = 0; k < kClasses; ++k) {
        for (void* p = cache.head[k]; p != nullptr;) {
            void* next = nextOf(p);
            std::free(static_cast<unsigned char*>(p) - kHeader);
            p = next;
        }
        cache.head[k] = nullptr;
        cache.count[k] = 0;
    }
    cache.state = 2;
}

struct CacheRelease {
    CacheRelease() = default;
    CacheRelease(const CacheRelease&) = delete;
    CacheRelease& operator=(const CacheRelease&) = delete;
    ~CacheRelease() { releaseCache(); }
};

// Once per thread, on its first block from the heap.
__attribute__((noinline)) void startCache() {
    cache.state = 1;
    static thread_local CacheRelease atExit; // runs releaseCache when the thread ends
}

void* allocate(size_t n) {
    const int k = sizeClass(n);
    if (k >= 0 && cache.head[k] != nullptr) {
        void* p = cache.head[k];
        cache.head[k] = nextOf(p);
        --cache.count[k];
        switch (k) { // constant sizes: a few stores
        case 0:
            std::memset(p, 0, kClassSize[0]);
            break;
        case 1:
            std::memset(p, 0, kClassSize[1]);
            break;
        default:
            std::memset(p, 0, kClassSize[2]);
            break;
        }
        return p;
    }
    if (k >= 0 && cache.state == 0) {
        startCache();
    }
    auto* raw = static_cast<unsigned char*>(
        std::calloc(k >= 0 ? kClassSize[k] + kHeader : n + kHeader, 1u));
    if (raw == nullptr) {
        return nullptr;
    }
    raw[0] = k >= 0 ? static_cast<unsigned char>(k) : kUncached;
    return raw + kHeader;
}

void release(void* block) {
    unsigned char* raw = static_cast<unsigned char*>(block) - kHeader;
    const int k = raw[0];
    // A thread that never took a block from the heap has nothing registered: no caching.
    if (k < kClasses && cache.state == 1 && cache.count[k] < kKeep) {
        std::memcpy(block, &cache.head[k], sizeof(void*));
        cache.head[k] = block;
        ++cache.count[k];
        return;
    }
    std::free(raw);
}

#else

void* allocate(size_t n) {
    return std::calloc(n, 1u);
}

void release(void* block) {
    std::free(block);
}

#endif

} // namespace

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
    return allocate(size > 0 ? static_cast<size_t>(size) : 1u);
}

int32_t AR_Delete_(void* block) {
    if (block != nullptr) {
        release(block);
    }
    return 0;
}

} // extern "C"
