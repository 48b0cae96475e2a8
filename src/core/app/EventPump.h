#pragma once

#include <chrono>

#include <time.h>

// A monotonic clock read without a system call and without waiting for the
// precise time: a few milliseconds of resolution, which is all the budget
// needs, for a few nanoseconds a read (yields come by the million).
struct CoarseClock
{
    using duration = std::chrono::nanoseconds;
    using rep = duration::rep;
    using period = duration::period;
    using time_point = std::chrono::time_point<CoarseClock>;
    static constexpr bool is_steady = true;

    static time_point now() noexcept
    {
#if defined(CLOCK_MONOTONIC_COARSE)
        timespec now {};
        clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
        return time_point(std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec));
#else
        return time_point(std::chrono::duration_cast<duration>(
            std::chrono::steady_clock::now().time_since_epoch()));
#endif
    }
};

// Long commands yield to the window system at many points (per file, per
// line, per cell). Processing events at every one of them would cost more
// than the work itself, so a yield only processes events when the budget
// (about 10 ms) has passed since the last one. The window stays responsive
// while millions of yields cost almost nothing.
class EventPump
{
public:
    using Clock = CoarseClock;

    // Processes pending events if the budget has passed since the last time.
    static void yield()
    {
        if (due())
            pumpNow();
    }

    // Whether the next yield will process events.
    static bool due() { return Clock::now() - s_lastPump >= s_budget; }

    // Processes pending events at once, whatever the budget.
    static void pumpNow();

    static void setBudget(std::chrono::microseconds budget) { s_budget = budget; }
    static std::chrono::microseconds budget() { return s_budget; }

private:
    static inline Clock::time_point s_lastPump {};
    static inline std::chrono::microseconds s_budget { 10'000 };
};
