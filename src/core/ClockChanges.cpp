#include "ClockChanges.h"

ClockChanges& ClockChanges::instance()
{
    static ClockChanges changes;
    return changes;
}
