#pragma once

#include "MainStates.h"

#include <functional>

class tZelTimeMachine;

// Runs one step of the main state machine. An exception that escapes the step
// is logged with the state and sub-step, and the machine restarts at state 1,
// so the gateway keeps forwarding after any error. subStep is read when the step fails, so
// the step may move it on as it goes.
void runGuardedMainStep(tZelTimeMachine& machine, const std::function<void()>& step,
                        const MainSubStep& subStep);
