#pragma once
// Collects signals synchronously on one thread, "signal handler", with
// sigwaitinfo and tells the notifiers registered for them. No code ever runs
// in an asynchronous signal handler. The signals must be blocked in every
// thread (the platform layer does so at start-up).
#include "os/posix/signal/Set.h"
#include "thread/Lock.h"
#include "thread/Thread.h"

#include <map>
#include <set>
#include <signal.h>

namespace qel::signal {

class Handler : public thread::CppThread::IThread {
public:
    class INotify {
    public:
        virtual ~INotify() = default;
        // Runs on the signal handler thread with the handler's lock held.
        virtual void notify(int sig, const siginfo_t& info) = 0;
    };

    Handler();
    // The owner stops a running handler first.
    ~Handler() override;

    // Routes sig to n (not owned), installing the default disposition the
    // first time sig is added.
    void add(int sig, INotify* n);
    void remove(int sig, INotify* n);

    // managementSignal only wakes the thread so that it picks up a changed set.
    void start(int managementSignal);
    // Stops and joins the thread; does nothing when not running.
    void stop();
    bool isRunning() const;

private:
    void run(thread::CppThread& thread) override;
    void dispatch(int sig, const siginfo_t& info);
    // Requires m_lock to be held and m_run to be true.
    void sendMgmSig();

    thread::CppThread m_thread;
    bool m_run = false;
    Set m_signals;
    int m_mgm_signal = -1;
    std::map<int, std::set<INotify*>> m_notifiers;
    mutable thread::Lock m_lock;
};

} // namespace qel::signal
