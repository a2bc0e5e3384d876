#include "automation/CTsServiceResponse.h"

HRESULT CTsServiceResponse::get_IsSuccess(VARIANT_BOOL* value)
{
    return AutomationMember(this, [&] { *OutParam(value) = result_.ErrorCode == 0 ? VARIANT_TRUE : VARIANT_FALSE; });
}

void CTsServiceResponse::SetResult(Tessaly::ServiceResult result)
{
    std::lock_guard<std::recursive_mutex> lock(ObjectLock());
    result_ = std::move(result);
}
