// The outcome of one service call, as the caller reads it.
#pragma once

#include "automation/ObjectConventions.h"
#include "platform/ComObject.h"
#include "service/ServiceResult.h"
#include "typelib/TessalyLib.h"

class CTsServiceResponse : public DispatchObject<CTsServiceResponse, ITsServiceResponse> {
public:
    static const CoClassDescription& CoClass() { return TsServiceResponse_CoClass; }

    HRESULT get_ErrorText(BSTR* value) override { return Automation::GetText(this, result_.ErrorText, value); }
    HRESULT put_ErrorText(BSTR value) override { return Automation::PutText(this, result_.ErrorText, value); }
    HRESULT get_ErrorCode(LONG* value) override { return Automation::GetValue(this, result_.ErrorCode, value); }
    HRESULT put_ErrorCode(LONG value) override { return Automation::PutValue(this, result_.ErrorCode, value); }
    HRESULT get_IsSuccess(VARIANT_BOOL* value) override;

    // Copies a service call's outcome (and its reply document) in.
    void SetResult(Tessaly::ServiceResult result);

private:
    Tessaly::ServiceResult result_;
};
