#include "time/Clock.h"

#include "os/posix/OsCall.h"

namespace qel::time {

namespace {
constexpr long NANOS_PER_SECOND = 1000000000L;
}

timespec InitClock::m_init_time{};

void OsClock::update() { QEL_CHECK_CALL(clock_gettime(m_id, &m_time)); }

void InitClock::update() {
    OsClock::update();
    m_time.tv_sec -= m_init_time.tv_sec;
    m_time.tv_nsec -= m_init_time.tv_nsec;
    if (m_time.tv_nsec < 0) {
        m_time.tv_nsec += NANOS_PER_SECOND;
        --m_time.tv_sec;
    }
}

timespec addMilliseconds(timespec t, int64_t ms) {
    if (ms < 0)
        ms = 0;
    t.tv_sec += static_cast<time_t>(ms / 1000);
    t.tv_nsec += static_cast<long>(ms % 1000) * 1000000L;
    if (t.tv_nsec >= NANOS_PER_SECOND) {
        t.tv_nsec -= NANOS_PER_SECOND;
        ++t.tv_sec;
    }
    return t;
}

timespec deadlineAfter(int64_t ms) {
    MonotonicClock now;
    now.update();
    return addMilliseconds(now.time(), ms);
}

} // namespace qel::time
