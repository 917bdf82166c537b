#include "AssignedRef.h"

AssignedRef AssignedRef::fromStored(std::string_view stored)
{
    if (std::optional<ZelAlarmRef> parsed = ZelAlarmRef::parse(stored))
        return {parsed, {}};
    return {std::nullopt, std::string(stored)};
}
