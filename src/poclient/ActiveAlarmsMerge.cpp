#include "ActiveAlarmsMerge.h"

#include "PoRequest.h"
#include "PoTraces.h"

#include "store/AlarmStatus.h"

void applyActiveAlarms(XmlDocument& status, PoRequest& request)
{
    if (!request.alarmsAnswer)
        return;
    PoTraces traces(request.traceFailed);
    traces.writeDocument(status, "01");
    // An answer without the list was logged by the worker.
    (void)MergeActiveAlarms(status, *request.alarmsAnswer);
    traces.writeDocument(status, "02");
    request.traceFailed = traces.failed();
    request.alarmsAnswer.reset();
}
