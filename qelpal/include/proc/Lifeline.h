#pragma once
// A line from a process to one that it starts through su or sudo. Those
// tools change the user and close inherited descriptors, so the started
// process can neither be signalled by its starter nor inherit a pipe from
// it. Instead, running as root, it opens the starter's pipe through /proc
// and watches it: the line is cut when the starter closes its end or ends,
// however it ended (the kernel closes the descriptors of a killed process).
#include "NoCopy.h"
#include "thread/Thread.h"

#include <atomic>
#include <string>
#include <sys/types.h>

namespace qel::proc {

// The starter's side: a pipe whose ends stay in this process.
class Lifeline : public NoCopy {
public:
    Lifeline();
    ~Lifeline();

    // What the started process needs to find the line.
    std::string token() const;
    // Cuts the line. Takes no lock, so a quit handler may call it.
    void cut() noexcept;

private:
    int m_read = -1;
    std::atomic<int> m_write{-1};
};

// The started side.
class LifelineWatch : public NoCopy, private thread::CppThread::IThread {
public:
    LifelineWatch();
    // Stops the watching thread.
    ~LifelineWatch() override;

    // Takes up the line that token names, when its holder is this process or
    // one of its ancestors; false, with nothing to watch, otherwise.
    bool attach(const std::string& token);
    // From now on sends sig to this process once the line is cut.
    void start(int sig);
    void stop() noexcept;

    // The uid of the holder when it attached.
    uid_t holderUid() const { return m_holder_uid; }
    // Whether the holder has ended, rather than only cut the line.
    bool holderEnded() const;

private:
    void run(thread::CppThread& thread) override;
    void closeAll() noexcept;

    thread::CppThread m_thread;
    pid_t m_holder = -1;
    uid_t m_holder_uid = 0;
    int m_line = -1;
    int m_wake[2] = {-1, -1};
    int m_signal = 0;
    bool m_started = false;
};

} // namespace qel::proc
