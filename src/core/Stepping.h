#pragma once

// How the state machines are driven. Events: each machine sleeps while it waits and is woken
// by what it waits for or at its due time. FixedTicks: one step per timer tick at the
// machine's interval, whatever happens. Fixed ticks exist only to measure and test the two
// side by side; the environment variable ZELPO_FIXED_TICKS=1 chooses them for a whole process.
enum class Stepping
{
    Events,
    FixedTicks
};

// Read once per process, at the first call.
Stepping processStepping();
