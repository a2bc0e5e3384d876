// A sheet layout given by a form definition: sheets in, result text and fields out.
#pragma once

#include "platform/ComObject.h"
#include "scanner/core/FormInterpreter.h"
#include "typelib/TsScannerLib.h"

class CTsScannerForm : public DispatchObject<CTsScannerForm, ITsScannerForm> {
public:
    static const CoClassDescription& CoClass() { return TsScannerForm_CoClass; }

    HRESULT InitFromFormDefinition(BSTR bstrFormDef) override;
    HRESULT ProcessScannerData(BSTR bstrScannerData, LONG nCols, BSTR* pbstrVal) override;
    HRESULT GetField(BSTR bstrKey, BSTR* pVal) override;
    HRESULT get_LastCompletedAnswer(LONG* pVal) override;
    HRESULT AnalyzeScanFormData(BSTR bstrFormDefinition, BSTR bstrScannerData, LONG nCols, BSTR* pVal) override;

private:
    TsScanner::FormInterpreter interpreter_;
};
