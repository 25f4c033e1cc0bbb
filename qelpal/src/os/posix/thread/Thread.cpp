#include "thread/Thread.h"

#include "Assert.h"
#include "gettext/Tr.h"
#include "os/posix/OsCall.h"
#include "os/posix/thread/SignalBlock.h"

#include <iomanip>
#include <iostream>

namespace qel::thread {

std::ostream& operator<<(std::ostream& out, ThreadId id) {
    const std::ios_base::fmtflags flags = out.flags();
    const char fill = out.fill();
    const auto* bytes = reinterpret_cast<const unsigned char*>(&id.id);
    out << "0x" << std::hex << std::setfill('0');
    for (size_t i = 0; i < sizeof id.id; ++i)
        out << std::setw(2) << static_cast<unsigned>(bytes[i]);
    out.flags(flags);
    out.fill(fill);
    return out;
}

BasicThread::BasicThread(Routine routine, const std::string& name, void* argument,
                         bool detached, size_t stackSize)
    : m_name(name), m_routine(routine), m_argument(argument) {
    QEL_CHECK_CALL(pthread_attr_init(&m_attributes));
    try {
        if (detached)
            QEL_CHECK_CALL(pthread_attr_setdetachstate(&m_attributes, PTHREAD_CREATE_DETACHED));
        QEL_CHECK_CALL(pthread_attr_setstacksize(
            &m_attributes, stackSize == 0 ? DEFAULT_STACK_SIZE : stackSize));
    } catch (...) {
        pthread_attr_destroy(&m_attributes);
        throw;
    }
}

BasicThread::~BasicThread() {
    bool needsJoin = false;
    {
        auto guard = m_condition.lock();
        QEL_ASSERT((m_state != RELEASED && m_state != RUNNING) &&
                   "destroyed a thread that is still active");
        needsJoin = m_state == CREATED || m_state == FINISHED;
    }
    if (needsJoin) {
        try {
            join();
        } catch (const Exception& e) {
            std::cerr << describe(e) << std::flush;
        }
    }
    pthread_attr_destroy(&m_attributes);
}

BasicThread::State BasicThread::state() const {
    auto guard = m_condition.lock();
    return static_cast<State>(m_state);
}

size_t BasicThread::stackSize() const {
    size_t size = 0;
    QEL_CHECK_CALL(pthread_attr_getstacksize(&m_attributes, &size));
    return size;
}

bool BasicThread::isCurrent() const { return pthread_equal(pthread_self(), m_thread) != 0; }

void BasicThread::create() {
    auto guard = m_condition.lock();
    if (m_state != BURIED)
        QEL_THROW(UsageError, QEL_TR_PAL("Tried to start a thread that is not BURIED"));
    // The new thread inherits our mask: with everything blocked it never
    // takes an asynchronous signal meant for the signal handler thread.
    SignalBlock block;
    QEL_CHECK_CALL(pthread_create(&m_thread, &m_attributes, &nativeThreadEntry, this));
    m_state = CREATED;
}

void BasicThread::run() {
    create();
    {
        auto guard = m_condition.lock();
        if (m_state != CREATED)
            QEL_THROW(UsageError, QEL_TR_PAL("Tried to start a thread that has already been started"));
        m_state = RELEASED;
    }
    m_condition.signal();
}

bool BasicThread::prepareJoin() {
    auto guard = m_condition.lock();
    switch (m_state) {
    case BURIED:
        return false;
    case CREATED:
        m_state = FINISHED;
        m_condition.signal();
        return true;
    default:
        return true;
    }
}

void BasicThread::join() {
    if (!prepareJoin())
        return;
    QEL_CHECK_CALL(pthread_join(m_thread, nullptr));
    auto guard = m_condition.lock();
    m_state = BURIED;
}

void BasicThread::threadMain() {
    // The kernel keeps 15 characters; ps and debuggers show them.
    pthread_setname_np(pthread_self(), m_name.substr(0, 15).c_str());
    {
        auto guard = m_condition.lock();
        for (;;) {
            if (m_state == FINISHED)
                break;
            if (m_state == RELEASED) {
                m_state = RUNNING;
                guard.release();
                try {
                    m_routine(m_argument);
                } catch (const Exception& e) {
                    std::cerr << QEL_TR_PAL("Thread ") << m_name << " ("
                              << ThreadId{pthread_self()} << ")"
                              << QEL_TR_PAL(" died with QEL exception:\n") << describe(e)
                              << "\n" << std::flush;
                } catch (...) {
                    std::cerr << QEL_TR_PAL("Thread ") << m_name << " ("
                              << ThreadId{pthread_self()} << ")"
                              << QEL_TR_PAL(" died with an unknown exception\n") << std::flush;
                }
                break;
            }
            m_condition.wait();
        }
    }
    auto guard = m_condition.lock();
    m_state = FINISHED;
}

void* BasicThread::nativeThreadEntry(void* self) {
    try {
        static_cast<BasicThread*>(self)->threadMain();
    } catch (const Exception& e) {
        // Only a failing lock gets here; the thread ends either way.
        std::cerr << describe(e) << std::flush;
    }
    return nullptr;
}

} // namespace qel::thread
