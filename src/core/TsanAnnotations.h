#pragma once

// ThreadSanitizer annotations for hand-overs between threads that TSan cannot see
// by itself (build with -DVANTOR_SANITIZE=thread; scripts/tsan-test runs it).
// Without TSan every macro here compiles to nothing.
//
// Debian's Qt is not built with TSan. A call posted to another thread's object
// (QMetaObject::invokeMethod with a queued or blocking queued connection) goes
// through Qt's posted-event lock and, when blocking, a futex-based QSemaphore:
// the caller's work happens before the call and a blocking call before the
// caller's next step, but TSan sees neither edge and reports every access of the
// call as a race. Name each hand-over by an address both sides know (a local of
// the caller, an object the call owns):
//
//     VANTOR_TSAN_HAND_OVER(&token);
//     QMetaObject::invokeMethod(context, [&token, ...] {
//         VANTOR_TSAN_SERVE(&token);
//         ...
//     }, Qt::BlockingQueuedConnection);
//     VANTOR_TSAN_HANDED_BACK(&token);
//
// Qt copies the callable into its event inside invokeMethod, after the caller's
// release; TSan is told to ignore the caller's own accesses there, so that copy
// does not count as racing with the receiving thread's reads of it.
//
// (Qt's mutexes, wait conditions and thread ends, as used by project code, are
// covered where Qt implements them: tests/tsan/TsanQtSync.cpp.)

#if defined(__SANITIZE_THREAD__)
#define VANTOR_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define VANTOR_TSAN 1
#endif
#endif

#ifdef VANTOR_TSAN

#include <sanitizer/tsan_interface.h>

extern "C" {
// In the TSan runtime, not declared by its header.
void __tsan_ignore_thread_begin(void);
void __tsan_ignore_thread_end(void);
}

namespace vantortsan {

inline void* address(const void* token)
{
    return const_cast<void*>(token);
}

// Acquires on construction, releases when the scope ends (early returns too).
class Serving
{
public:
    explicit Serving(const void* token)
        : m_token(token)
    {
        __tsan_acquire(address(token));
    }
    ~Serving() { __tsan_release(address(m_token)); }
    Serving(const Serving&) = delete;
    Serving& operator=(const Serving&) = delete;

private:
    const void* m_token;
};

} // namespace vantortsan

// A happens-before edge from a release on one thread to a later acquire of the
// same address on another.
#define VANTOR_TSAN_RELEASE(token) __tsan_release(vantortsan::address(token))
#define VANTOR_TSAN_ACQUIRE(token) __tsan_acquire(vantortsan::address(token))

// The calling thread, right before the call that posts: what it did so far is
// handed over, and its own accesses are ignored until VANTOR_TSAN_HANDED_BACK.
#define VANTOR_TSAN_HAND_OVER(token)                                                                         \
    do {                                                                                                     \
        __tsan_release(vantortsan::address(token));                                                          \
        __tsan_ignore_thread_begin();                                                                        \
    } while (false)

// The calling thread, right after the posting call returned: accesses count
// again, and what the call released is taken over (for a blocking call, all of it).
#define VANTOR_TSAN_HANDED_BACK(token)                                                                       \
    do {                                                                                                     \
        __tsan_ignore_thread_end();                                                                          \
        __tsan_acquire(vantortsan::address(token));                                                          \
    } while (false)

// First statement of the posted call: takes over what the caller handed over and
// hands back what the call does, up to the end of the enclosing scope.
#define VANTOR_TSAN_SERVE(token) const vantortsan::Serving vantorTsanServing_(token)

#else

#define VANTOR_TSAN_RELEASE(token) static_cast<void>(0)
#define VANTOR_TSAN_ACQUIRE(token) static_cast<void>(0)
#define VANTOR_TSAN_HAND_OVER(token) static_cast<void>(0)
#define VANTOR_TSAN_HANDED_BACK(token) static_cast<void>(0)
#define VANTOR_TSAN_SERVE(token) static_cast<void>(0)

#endif
