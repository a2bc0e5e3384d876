// The flow every service member follows (Validate, InitFromTsService,
// SaveToTsService):
//
//   HRESULT CTsCourse::InitFromTsService(ITsUser* user, BSTR courseId, ITsServiceResponse** response)
//   {
//       return AutomationMember(this, [&] {
//           OutParam(response);
//           const Tessaly::UserCredentials credentials = Automation::CredentialsOf(user);
//           Automation::RunServiceCall(response, [&] { return record_.InitFromService(credentials, FromBstr(courseId)); });
//       });
//   }
//
// Check the out parameter and take the credentials before changing anything,
// so that a null or foreign argument fails without touching the object.
// Service-level failures (no connection, HTTP error, fault, an error the
// service reports) are not member failures: they arrive in the response.
#pragma once

#include "automation/CTsServiceResponse.h"
#include "automation/CTsUser.h"
#include "automation/ObjectConventions.h"
#include "service/ServiceResult.h"
#include "service/UserCredentials.h"

#include <utility>

namespace Automation {

// The credentials of a user argument (copied under that object's lock).
// A null user fails with E_POINTER, another implementation with E_INVALIDARG.
inline Tessaly::UserCredentials CredentialsOf(ITsUser* user)
{
    return ArgumentObject<CTsUser>(user).Credentials();
}

// Creates the response object into `response` at once, runs the operation
// (a callable returning a ServiceResult) and copies its result into the
// response. When the operation throws, the response already handed out keeps
// showing success (code 0) and the member reports the failure.
template <typename Operation>
void RunServiceCall(ITsServiceResponse** response, Operation&& operation)
{
    CTsServiceResponse& target = CreateObjectInto<CTsServiceResponse>(response);
    Tessaly::ServiceResult result = std::forward<Operation>(operation)();
    target.SetResult(std::move(result));
}

} // namespace Automation
