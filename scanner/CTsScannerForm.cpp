#include "scanner/CTsScannerForm.h"

#include "scanner/ScannerMember.h"

HRESULT CTsScannerForm::InitFromFormDefinition(BSTR bstrFormDef)
{
    return AutomationMember(this, [&] { interpreter_.LoadDefinition(FromBstr(bstrFormDef)); });
}

HRESULT CTsScannerForm::ProcessScannerData(BSTR bstrScannerData, LONG nCols, BSTR* pbstrVal)
{
    return AutomationMember(this, [&] {
        OutParam(pbstrVal);
        ScannerMember::SetText(pbstrVal, interpreter_.ProcessGrid(FromBstr(bstrScannerData), nCols));
    });
}

HRESULT CTsScannerForm::GetField(BSTR bstrKey, BSTR* pVal)
{
    return AutomationMember(this, [&] { ScannerMember::SetText(pVal, interpreter_.GetField(FromBstr(bstrKey))); });
}

HRESULT CTsScannerForm::get_LastCompletedAnswer(LONG* pVal)
{
    return AutomationMember(this, [&] { *OutParam(pVal) = interpreter_.LastCompletedAnswer(); });
}

HRESULT CTsScannerForm::AnalyzeScanFormData(BSTR bstrFormDefinition, BSTR bstrScannerData, LONG nCols, BSTR* pVal)
{
    // A failing definition fails the whole call before any sheet is read.
    return AutomationMember(this, [&] {
        OutParam(pVal);
        ScannerMember::SetText(pVal, interpreter_.AnalyzeScanFormData(FromBstr(bstrFormDefinition),
                                                                      FromBstr(bstrScannerData), nCols));
    });
}
