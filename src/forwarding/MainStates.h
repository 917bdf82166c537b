#pragma once

// The states of the main state machine, by the numbers its log lines and diagnostics show.
enum class MainState : int
{
    Start = 1,
    Init = 2,
    Wait = 3,
    GetDefinitions = 4,
    WaitDefinitions = 5,
    StartGetAlarms = 7,
    WaitAlarms = 8,
    CheckAlarms = 9,
    SendAlarm = 10,
    CheckResponse = 11,
    SendWatchdog = 12,
    WaitWatchdog = 13,
    Stop = 16,
};

// The point within a step of the main machine that a failure came from, by the number the
// step guard's log line shows ("<sub N>"); None is left out of that line.
enum class MainSubStep : int
{
    None = 0,
    AlarmsWaiting = 1,
    AlarmsDone = 2,
    AlarmsFailed = 3,
    AlarmsFailureShown = 4,
    AlarmsSucceeded = 5,
    AlarmsRequestMessage = 6,
    AlarmsShowRecovery = 7,
    MergeAnswer = 8,
    OpenStatus = 11,
    StatusTakenOver = 12,
    AlarmsWaitRunning = 13,
    AlarmsTimedOut = 14,
    AlarmsTimeoutReported = 15,
};
