#pragma once

#include <chrono>

// Long commands yield to the window system at many points (per file, per
// line, per cell). Processing events at every one of them would cost more
// than the work itself, so a yield only processes events when the budget
// (about 10 ms) has passed since the last one. The window stays responsive
// while millions of yields cost almost nothing.
class EventPump
{
public:
    using Clock = std::chrono::steady_clock;

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
