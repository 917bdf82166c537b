#include "Stepping.h"

#include <QtGlobal>

Stepping processStepping()
{
    static const Stepping stepping = qEnvironmentVariableIntValue("ZELPO_FIXED_TICKS") == 1
                                         ? Stepping::FixedTicks
                                         : Stepping::Events;
    return stepping;
}
