#pragma once
// Child processes. One background thread, the "process collector", reaps
// every child and files its status for the thread that waits for it; every
// started child must be waited for before its Child object goes.
#include "NoCopy.h"
#include "thread/Lock.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <signal.h>
#include <string>
#include <sys/types.h>
#include <vector>

namespace qel::proc {

class Shepherd;

constexpr pid_t INVAL_PROC_ID = -1;

// The outcome of a wait: the raw wait status, valid when done.
struct WaitResult {
    int status = 0;
    bool done = false;

    bool exited() const;
    // The exit status of a child that exited normally, 255 otherwise.
    int exitCode() const;
    // It exited normally with status 0.
    bool succeeded() const { return exited() && exitCode() == 0; }
    bool signalled() const;
    // The signal that ended the child; 0 when it was not ended by one.
    int termSignal() const;
};

class Child : public NoCopy {
public:
    // Told on the collector thread, with the collector's lock held, that
    // the child has been reaped; it may collect it with wait().
    class INotify {
    public:
        virtual void childEnded(Child& child) = 0;

    protected:
        ~INotify() = default;
    };

    Child();
    // Aborts when a started child was not waited for.
    virtual ~Child();

    // Element 0 is the path of the program (no search in PATH), unless a
    // program is set: then it is only the child's argument 0.
    std::vector<std::string>& arguments() { return m_arguments; }
    const std::vector<std::string>& arguments() const { return m_arguments; }
    void setProgram(const std::string& path) { m_program = path; }
    // NAME=value entries; empty inherits the current environment.
    std::vector<std::string>& environment() { return m_environment; }
    // Empty: the child starts in the caller's working directory.
    void setWorkDir(const std::string& dir) { m_workdir = dir; }
    const std::string& workDir() const { return m_workdir; }
    // Descriptors that become the child's standard streams; -1 inherits.
    // This process keeps them; the child alone gets them without close-on-exec.
    void setStdin(int fd) { m_stdin = fd; }
    void setStdout(int fd) { m_stdout = fd; }
    void setStderr(int fd) { m_stderr = fd; }
    int stdinFd() const { return m_stdin; }
    int stdoutFd() const { return m_stdout; }
    int stderrFd() const { return m_stderr; }
    void setNotify(INotify* notify);
    // The signal the child gets when this process ends, even by SIGKILL
    // (lost when it executes a set-user-id program); 0: none. It must be
    // started by a thread that lives as long as the process.
    void setParentDeathSignal(int sig) { m_parent_death = sig; }

    // The running or not yet collected child, INVAL_PROC_ID without one.
    pid_t pid() const { return m_child; }

    void create();
    // Starts a copy of this process, in which only the calling thread runs,
    // that runs body and ends with its result (1 when it throws) without
    // executing a program. body must not start or wait for children.
    void fork(const std::function<int()>& body);
    // Blocks until the child's status is known; with timed, at most
    // *timeoutMs milliseconds (done is false on timeout).
    WaitResult wait(bool timed = false, const int64_t* timeoutMs = nullptr);
    // Sends sig to a child that has not been reaped yet; otherwise raises
    // qel::NoSuchProcessError. Safe from any thread.
    void kill(int sig = SIGTERM);

    // Stops the collector at platform shut-down.
    static void shutdown();

    // Makes this process the parent of the orphans among its descendants:
    // what a child started comes to us when that child ends first, instead
    // of to init. Their ends are collected quietly.
    static void adoptOrphans();
    // Collects adopted orphans until none is left (true) or timeoutMs have
    // passed. Only while no child of our own runs.
    static bool awaitAdopted(int64_t timeoutMs);

protected:
    std::atomic<pid_t> m_child{INVAL_PROC_ID};

private:
    friend class Shepherd;
    // The collector, started on first use.
    static Shepherd& shepherd();
    // The collector of a started child; it lives until platform shut-down.
    static Shepherd& runningShepherd();
    void notifyEnded() { m_notify->childEnded(*this); }
    // Forks and registers the new process; inChild runs in it and must not
    // return.
    void start(const std::function<void()>& inChild);
    // Runs in the new process: installs the streams and executes the program.
    [[noreturn]] void execInChild(char* const* argv, char* const* envp,
                                  pid_t parent) const noexcept;

    std::vector<std::string> m_environment;
    std::vector<std::string> m_arguments;
    std::string m_program;
    std::string m_workdir;
    int m_stdout = -1;
    int m_stderr = -1;
    int m_stdin = -1;
    INotify* m_notify = nullptr;
    int m_parent_death = 0;

    static thread::Lock m_init_lock;
    // Read without m_init_lock, so that notifiers can wait while shutdown()
    // holds it and joins the collector.
    static std::atomic<Shepherd*> m_shepherd;
    static std::atomic<bool> m_adopting;
};

} // namespace qel::proc
