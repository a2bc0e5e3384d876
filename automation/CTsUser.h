// A user of the quiz service: credentials, server address and Validate.
#pragma once

#include "automation/ObjectConventions.h"
#include "platform/ComObject.h"
#include "service/UserCredentials.h"
#include "typelib/TessalyLib.h"

class CTsUser : public DispatchObject<CTsUser, ITsUser> {
public:
    static const CoClassDescription& CoClass() { return TsUser_CoClass; }

    HRESULT get_UserName(BSTR* value) override { return Automation::GetText(this, credentials_.UserName, value); }
    HRESULT put_UserName(BSTR value) override { return Automation::PutText(this, credentials_.UserName, value); }
    HRESULT get_Password(BSTR* value) override { return Automation::GetText(this, credentials_.Password, value); }
    HRESULT put_Password(BSTR value) override { return Automation::PutText(this, credentials_.Password, value); }
    HRESULT get_ServerURL(BSTR* value) override { return Automation::GetText(this, credentials_.ServerURL, value); }
    HRESULT put_ServerURL(BSTR value) override { return Automation::PutText(this, credentials_.ServerURL, value); }
    HRESULT Validate(BSTR serverUrl, BSTR userName, BSTR password, ITsServiceResponse** response) override;

    // A copy of the credentials, taken under the object's lock.
    Tessaly::UserCredentials Credentials() const;

private:
    Tessaly::UserCredentials credentials_;
};
