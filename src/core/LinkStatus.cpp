#include "LinkStatus.h"

LinkStatusChanges& LinkStatusChanges::instance()
{
    static LinkStatusChanges changes;
    return changes;
}
