// Linked into every executable of a ThreadSanitizer build (cmake/VantorSanitize.cmake).
//
// Debian's Qt is not built with TSan. QMutex is still seen, because its lock and
// unlock are inline and carry TSan's mutex annotations when our code is compiled
// with TSan, but two things project code uses run entirely inside libQt6Core:
//
// - QRecursiveMutex::tryLock() and unlock(): without annotations TSan sees no lock
//   at all, and reports what the mutex guards as races;
// - QWaitCondition::wait(QMutex*): it unlocks and relocks the caller's QMutex inside
//   Qt, where TSan cannot see it, so TSan believes the waiting thread holds the
//   mutex throughout and reports the next locker of it as a double lock;
// - the end of a QThread: QThread::wait() and isFinished() learn it under a Qt
//   mutex, so whatever the thread did last looks unordered with the destruction of
//   its object that follows. A thread started from our code now releases on its
//   QThread object as it ends, and a wait() or isFinished() that reports the end
//   acquires that. A thread object deleted through deleteLater() (connected to its
//   finished(), which Qt emits just before the thread ends) first waits for that
//   end, which is a matter of moments.
//
// The definitions below take the place of Qt's for calls from our code (an
// executable's own definition wins over a shared library's), tell TSan what
// happens, and call Qt's own function for the work. Calls inside Qt itself still
// go to Qt's. The annotations are those a TSan build of Qt makes itself.

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>

#include <sanitizer/tsan_interface.h>

#include <QDeadlineTimer>
#include <QMutex>
#include <QRecursiveMutex>
#include <QThread>
#include <QThreadStorage>
#include <QVariant>
#include <QWaitCondition>

namespace {

// Qt's own definition of a symbol this file replaces.
template <class Function>
Function qtFunction(const char* mangledName)
{
    void* symbol = dlvsym(RTLD_NEXT, mangledName, "Qt_6");
    if (!symbol)
        symbol = dlsym(RTLD_NEXT, mangledName);
    if (!symbol) {
        std::fprintf(stderr, "TsanQtSync: %s not found in Qt\n", mangledName);
        std::abort();
    }
    return reinterpret_cast<Function>(symbol);
}

using TryLock = bool (*)(QRecursiveMutex*, int);
using Unlock = void (*)(QRecursiveMutex*);
using WaitDeadline = bool (*)(QWaitCondition*, QMutex*, QDeadlineTimer);
using WaitMs = bool (*)(QWaitCondition*, QMutex*, unsigned long);
using Start = void (*)(QThread*, QThread::Priority);
using ThreadWait = bool (*)(QThread*, QDeadlineTimer);
using IsFinished = bool (*)(const QThread*);
using DeleteLater = void (*)(QObject*);

// Marks a thread object whose start already sets up the release at its end.
const char* const kEndEdgeProperty = "_vantor_tsan_end_edge";

// Qt deletes a thread's QThreadStorage values as the thread ends: after run()
// and after every slot of finished(), before it marks the thread finished (which
// is what wait() and isFinished() look at).
class ThreadEnd
{
public:
    explicit ThreadEnd(QThread* thread)
        : m_thread(thread)
    {}
    ~ThreadEnd() { __tsan_release(m_thread); }
    ThreadEnd(const ThreadEnd&) = delete;
    ThreadEnd& operator=(const ThreadEnd&) = delete;

private:
    QThread* m_thread;
};

QThreadStorage<ThreadEnd*>& threadEnds()
{
    static QThreadStorage<ThreadEnd*> storage;
    return storage;
}

const unsigned kRecursive = __tsan_mutex_write_reentrant;

// The caller's mutex is free while the thread waits, and held again after.
void unlockedForWait(QMutex* mutex)
{
    __tsan_mutex_pre_unlock(mutex, 0);
    __tsan_mutex_post_unlock(mutex, 0);
}

void relockedAfterWait(QMutex* mutex)
{
    __tsan_mutex_pre_lock(mutex, 0);
    __tsan_mutex_post_lock(mutex, 0, 0);
}

} // namespace

bool QRecursiveMutex::tryLock(int timeout) QT_MUTEX_LOCK_NOEXCEPT
{
    static const TryLock qt = qtFunction<TryLock>("_ZN15QRecursiveMutex7tryLockEi");
    unsigned flags = kRecursive | __tsan_mutex_try_lock;
    __tsan_mutex_pre_lock(this, flags);
    const bool locked = qt(this, timeout);
    if (!locked)
        flags |= __tsan_mutex_try_lock_failed;
    __tsan_mutex_post_lock(this, flags, 0);
    return locked;
}

void QRecursiveMutex::unlock() noexcept
{
    static const Unlock qt = qtFunction<Unlock>("_ZN15QRecursiveMutex6unlockEv");
    __tsan_mutex_pre_unlock(this, 0);
    qt(this);
    __tsan_mutex_post_unlock(this, 0);
}

bool QWaitCondition::wait(QMutex* lockedMutex, QDeadlineTimer deadline)
{
    static const WaitDeadline qt =
        qtFunction<WaitDeadline>("_ZN14QWaitCondition4waitEP6QMutex14QDeadlineTimer");
    unlockedForWait(lockedMutex);
    const bool woken = qt(this, lockedMutex, deadline);
    relockedAfterWait(lockedMutex);
    return woken;
}

bool QWaitCondition::wait(QMutex* lockedMutex, unsigned long time)
{
    static const WaitMs qt = qtFunction<WaitMs>("_ZN14QWaitCondition4waitEP6QMutexm");
    unlockedForWait(lockedMutex);
    const bool woken = qt(this, lockedMutex, time);
    relockedAfterWait(lockedMutex);
    return woken;
}

void QThread::start(Priority priority)
{
    static const Start qt = qtFunction<Start>("_ZN7QThread5startENS_8PriorityE");
    if (!property(kEndEdgeProperty).isValid()) {
        setProperty(kEndEdgeProperty, true);
        // Runs on the new thread, before run(). No captures: the thread must not
        // read memory that the owner may free once it has seen the end.
        connect(
            this, &QThread::started, this,
            [] { threadEnds().setLocalData(new ThreadEnd(QThread::currentThread())); }, Qt::DirectConnection);
    }
    qt(this, priority);
}

bool QThread::wait(QDeadlineTimer deadline)
{
    static const ThreadWait qt = qtFunction<ThreadWait>("_ZN7QThread4waitE14QDeadlineTimer");
    const bool ended = qt(this, deadline);
    if (ended)
        __tsan_acquire(this);
    return ended;
}

bool QThread::isFinished() const
{
    static const IsFinished qt = qtFunction<IsFinished>("_ZNK7QThread10isFinishedEv");
    const bool finished = qt(this);
    if (finished)
        __tsan_acquire(const_cast<QThread*>(this));
    return finished;
}

void QObject::deleteLater()
{
    static const DeleteLater qt = qtFunction<DeleteLater>("_ZN7QObject11deleteLaterEv");
    // Neither running nor finished: the thread is in Qt's last steps (finished()
    // has been emitted) or was never started; wait() returns at once for both.
    if (auto* thread = qobject_cast<QThread*>(this); thread && !thread->isRunning() && !thread->isFinished())
        thread->wait();
    qt(this);
}
