#include "thread/Thread.h"

namespace qel::thread {

CppThread::CppThread(IThread* body, const std::string& name, bool detached, size_t stackSize)
    : BasicThread(&threadRelay, name, this, detached, stackSize), m_body(body) {}

void CppThread::threadRelay(void* self) {
    auto* thread = static_cast<CppThread*>(self);
    thread->m_body->run(*thread);
}

CoopThread::CoopThread(ICoopThread* body, const std::string& name, bool detached,
                       size_t stackSize)
    : CppThread(this, name, detached, stackSize), m_coop_body(body) {}

void CoopThread::run(CppThread&) {
    // The body has returned also when it leaves with an exception.
    struct MarkReturned {
        CoopThread& thread;
        ~MarkReturned() {
            try {
                {
                    auto guard = thread.m_coop_condition.lock();
                    thread.m_coop_state = 1;
                }
                thread.m_coop_condition.signalAll();
            } catch (const Exception& e) {
                reportGuardFailure(e);
            }
        }
    } mark{*this};
    m_coop_body->run(*this);
}

void CoopThread::requestStop() {
    auto guard = m_coop_condition.lock();
    m_request = STOP;
}

int32_t CoopThread::request() const {
    auto guard = m_coop_condition.lock();
    return m_request;
}

bool CoopThread::hasReturned() const {
    auto guard = m_coop_condition.lock();
    return m_coop_state == 1;
}

} // namespace qel::thread
