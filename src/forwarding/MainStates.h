#pragma once

// The states of the main state machine, by the numbers its log lines and diagnostics show.
namespace MainState {
inline constexpr int Start = 1;
inline constexpr int Init = 2;
inline constexpr int Wait = 3;
inline constexpr int GetDefinitions = 4;
inline constexpr int WaitDefinitions = 5;
inline constexpr int StartGetAlarms = 7;
inline constexpr int WaitAlarms = 8;
inline constexpr int CheckAlarms = 9;
inline constexpr int SendAlarm = 10;
inline constexpr int CheckResponse = 11;
inline constexpr int SendWatchdog = 12;
inline constexpr int WaitWatchdog = 13;
inline constexpr int Stop = 16;
} // namespace MainState
