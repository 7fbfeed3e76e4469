#pragma once

// Qt's thread pool and event queue hand work between threads with locks that a
// thread checker cannot see (they are not built with it). These marks tell it
// about those hand-overs, so that it reports the races of our own code and not
// the pool's. Outside a thread-checker build they are nothing.
#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_acquire(void* addr);
extern "C" void __tsan_release(void* addr);
#define KORVEX_HANDED_OVER(sync) __tsan_release(sync)
#define KORVEX_TAKEN_OVER(sync) __tsan_acquire(sync)
#else
#define KORVEX_HANDED_OVER(sync) ((void)(sync))
#define KORVEX_TAKEN_OVER(sync) ((void)(sync))
#endif
