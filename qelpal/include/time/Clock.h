#pragma once
// Clocks that read the system clocks and throw qel::OsError on failure.
#include <cstdint>
#include <time.h>

namespace qel::time {

class OsClock {
public:
    explicit OsClock(clockid_t id) : m_id(id) {}
    virtual ~OsClock() = default;

    // Reads the clock into time().
    virtual void update();
    const timespec& time() const { return m_time; }

protected:
    clockid_t m_id;
    timespec m_time{};
};

class ClockBase : public OsClock {
public:
    using OsClock::OsClock;
};

class MonotonicClock : public ClockBase {
public:
    MonotonicClock() : ClockBase(CLOCK_MONOTONIC) {}
};

// Monotonic time since the platform layer was initialised.
class InitClock : public ClockBase {
public:
    InitClock() : ClockBase(CLOCK_MONOTONIC) {}
    void update() override;

    // Zero until the platform layer records its start.
    static timespec m_init_time;
};

// t plus ms milliseconds, nanoseconds normalised below one second.
timespec addMilliseconds(timespec t, int64_t ms);

// The absolute CLOCK_MONOTONIC time ms milliseconds from now.
timespec deadlineAfter(int64_t ms);

} // namespace qel::time
