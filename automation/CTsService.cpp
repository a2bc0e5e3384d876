#include "automation/CTsService.h"

#include "common/MemberFrame.h"
#include "service/ServiceTimeout.h"

HRESULT CTsService::get_TimeoutMs(LONG* value)
{
    return AutomationMember(this, [&] { *OutParam(value) = Tessaly::ServiceTimeoutMs(); });
}

HRESULT CTsService::put_TimeoutMs(LONG value)
{
    return AutomationMember(this, [&] { Tessaly::SetServiceTimeoutMs(value); });
}
