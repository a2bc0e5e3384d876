#include "automation/CTsUser.h"

#include "automation/ServiceCallFlow.h"
#include "service/ServiceOperations.h"

HRESULT CTsUser::Validate(BSTR serverUrl, BSTR userName, BSTR password, ITsServiceResponse** response)
{
    return AutomationMember(this, [&] {
        OutParam(response);
        // Stored through the object's own setters (the lock is recursive);
        // the values stay whatever the outcome, for later loads with this user.
        put_UserName(userName);
        put_Password(password);
        put_ServerURL(serverUrl);
        Automation::RunServiceCall(response, [&] { return Tessaly::ValidateUser(credentials_); });
    });
}

Tessaly::UserCredentials CTsUser::Credentials() const
{
    std::lock_guard<std::recursive_mutex> lock(ObjectLock());
    return credentials_;
}
