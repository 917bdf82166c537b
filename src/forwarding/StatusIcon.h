#pragma once

// What panel 0 of the status bar and the tray picture show: the link error that is showing,
// or else a problem of the files or settings that lasts. The numbers are those of the
// status images (image number minus one).
enum class StatusIcon : int
{
    None = 0,
    OfficeError = 1,
    ZelMeldError = 2,
    Problem = 3,
};
