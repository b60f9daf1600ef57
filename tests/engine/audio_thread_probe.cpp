// Counts what SDL's audio threads ask of the heap, the file system and GLib's
// locks (FluidSynth's sample cache takes one). Linked into a test, its
// definitions stand in front of the C library's for the whole process; built
// as a module it is preloaded into a program. Other threads pass straight
// through. Under a sanitizer, which owns the allocator, the heap is counted
// through the sanitizer's hooks instead.
#include "audio_thread_probe.h"

#include <atomic>
#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/prctl.h>
#include <unistd.h>

#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
#define FANBORD_PROBE_HOOKS 1
#endif

namespace {

std::atomic<long> heap{0}, frees{0}, opens{0}, locks{0};

// Initial-exec: a preloaded module's thread locals must not be allocated on first use.
__attribute__((tls_model("initial-exec"))) thread_local bool audioThread = false;

bool onAudioThread() {
    if (audioThread)
        return true;
    char name[16] = {};
    prctl(PR_GET_NAME, name); // SDL names the thread as it starts, before any work
    audioThread = std::strncmp(name, "SDLAudioP", 9) == 0;
    return audioThread;
}

void count(std::atomic<long>& counter) {
    if (onAudioThread())
        counter.fetch_add(1, std::memory_order_relaxed);
}

template <class F> F next(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

} // namespace

namespace fanbord::probe {

void reset() {
    heap = frees = opens = locks = 0;
}

Counts counts() {
    return {heap.load(), frees.load(), opens.load(), locks.load()};
}

} // namespace fanbord::probe

extern "C" {

__attribute__((visibility("default"))) void fanbord_probe_reset() {
    fanbord::probe::reset();
}

__attribute__((visibility("default"))) void fanbord_probe_counts(long out[4]) {
    const auto c = fanbord::probe::counts();
    out[0] = c.heap;
    out[1] = c.frees;
    out[2] = c.opens;
    out[3] = c.locks;
}

#ifdef FANBORD_PROBE_HOOKS
void __sanitizer_malloc_hook(const volatile void*, std::size_t) {
    count(heap);
}
void __sanitizer_free_hook(const volatile void*) {
    count(frees);
}
#else
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void* __libc_memalign(std::size_t, std::size_t);
void __libc_free(void*);

void* malloc(std::size_t n) {
    count(heap);
    return __libc_malloc(n);
}
void* calloc(std::size_t n, std::size_t size) {
    count(heap);
    return __libc_calloc(n, size);
}
void* realloc(void* p, std::size_t n) {
    count(heap);
    return __libc_realloc(p, n);
}
void* memalign(std::size_t alignment, std::size_t n) {
    count(heap);
    return __libc_memalign(alignment, n);
}
void* aligned_alloc(std::size_t alignment, std::size_t n) {
    count(heap);
    return __libc_memalign(alignment, n);
}
int posix_memalign(void** p, std::size_t alignment, std::size_t n) {
    count(heap);
    *p = __libc_memalign(alignment, n);
    return *p ? 0 : 12; // ENOMEM
}
void free(void* p) {
    if (p)
        count(frees);
    __libc_free(p);
}
#endif

int open(const char* path, int flags, ...) {
    count(opens);
    va_list args;
    va_start(args, flags);
    const int mode = va_arg(args, int);
    va_end(args);
    static const auto real = next<int (*)(const char*, int, ...)>("open");
    return real(path, flags, mode);
}
int open64(const char* path, int flags, ...) {
    count(opens);
    va_list args;
    va_start(args, flags);
    const int mode = va_arg(args, int);
    va_end(args);
    static const auto real = next<int (*)(const char*, int, ...)>("open64");
    return real(path, flags, mode);
}
int openat(int dir, const char* path, int flags, ...) {
    count(opens);
    va_list args;
    va_start(args, flags);
    const int mode = va_arg(args, int);
    va_end(args);
    static const auto real = next<int (*)(int, const char*, int, ...)>("openat");
    return real(dir, path, flags, mode);
}
FILE* fopen(const char* path, const char* mode) {
    count(opens);
    static const auto real = next<FILE* (*)(const char*, const char*)>("fopen");
    return real(path, mode);
}
FILE* fopen64(const char* path, const char* mode) {
    count(opens);
    static const auto real = next<FILE* (*)(const char*, const char*)>("fopen64");
    return real(path, mode);
}

// GLib's, as FluidSynth uses them; declared here so that no GLib header is needed.
void g_mutex_lock(void* mutex) {
    count(locks);
    static const auto real = next<void (*)(void*)>("g_mutex_lock");
    real(mutex);
}
void g_rec_mutex_lock(void* mutex) {
    count(locks);
    static const auto real = next<void (*)(void*)>("g_rec_mutex_lock");
    real(mutex);
}

} // extern "C"
