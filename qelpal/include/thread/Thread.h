#pragma once
// Threads with an explicit start handshake. A new native thread waits until
// run() releases it; join() of a thread that was never released lets it end
// without running its routine.
#include "NoCopy.h"
#include "thread/Condition.h"

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <pthread.h>
#include <string>

namespace qel::thread {

// Prints a thread id as "0x" and its bytes in memory order.
struct ThreadId {
    pthread_t id;
};
std::ostream& operator<<(std::ostream& out, ThreadId id);

class BasicThread : public NoCopy {
public:
    enum State : int32_t { CREATED = 0, RELEASED = 1, RUNNING = 2, FINISHED = 3, BURIED = 4 };
    using Routine = void (*)(void*);

    static constexpr size_t DEFAULT_STACK_SIZE = 524288;

    // A stack size of 0 means DEFAULT_STACK_SIZE.
    BasicThread(Routine routine, const std::string& name, void* argument,
                bool detached = false, size_t stackSize = 0);
    // Joins a thread that is CREATED or FINISHED; aborts if it still runs.
    ~BasicThread();

    // Creates the native thread and lets it run the routine. The new thread
    // starts with every signal blocked.
    void run();
    void join();

    const std::string& name() const { return m_name; }
    State state() const;
    size_t stackSize() const;
    // Valid once run() was called and until join() returns.
    pthread_t nativeId() const { return m_thread; }
    bool isCurrent() const;

private:
    void create();
    bool prepareJoin();
    void threadMain();
    static void* nativeThreadEntry(void* self);

    pthread_t m_thread{};
    pthread_attr_t m_attributes;
    std::string m_name;
    mutable Condition m_condition;
    int32_t m_state = BURIED;
    Routine m_routine;
    void* m_argument;
};

class CppThread : public BasicThread {
public:
    class IThread {
    public:
        virtual void run(CppThread& thread) = 0;
        virtual ~IThread() = default;
    };

    CppThread(IThread* body, const std::string& name, bool detached = false,
              size_t stackSize = 0);
    virtual ~CppThread() = default;

    virtual bool isCooperative() const { return false; }

private:
    static void threadRelay(void* self);

    IThread* m_body;
};

// A thread whose body returns when asked to stop. The owner wakes the body
// from its own waits after requestStop() and then joins.
class CoopThread : public CppThread, private CppThread::IThread {
public:
    class ICoopThread {
    public:
        virtual void run(CoopThread& thread) = 0;
        virtual ~ICoopThread() = default;
    };

    static constexpr int32_t NO_REQUEST = 0;
    static constexpr int32_t STOP = 1;

    CoopThread(ICoopThread* body, const std::string& name, bool detached = false,
               size_t stackSize = 0);

    bool isCooperative() const override { return true; }
    using CppThread::run;

    void requestStop();
    // What the owner asks of the body: NO_REQUEST or STOP.
    int32_t request() const;
    // True once the body has returned.
    bool hasReturned() const;

private:
    void run(CppThread& thread) override;

    ICoopThread* m_coop_body;
    int32_t m_coop_state = 0;
    int32_t m_request = NO_REQUEST;
    mutable Condition m_coop_condition;
};

} // namespace qel::thread
