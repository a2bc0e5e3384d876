#include "scanner/CTsScannerForm25S.h"

#include "scanner/ScannerMember.h"

using ScannerMember::SetText;

HRESULT CTsScannerForm25S::InitFromScannerData(BSTR bstrScannerData)
{
    return AutomationMember(this, [&] { fields_.DecodeSheet(FromBstr(bstrScannerData)); });
}

HRESULT CTsScannerForm25S::get_StudentId(BSTR* pVal)
{
    return AutomationMember(this, [&] { SetText(pVal, fields_.StudentId()); });
}

HRESULT CTsScannerForm25S::put_StudentId(BSTR newVal)
{
    return AutomationMember(this, [&] { fields_.SetStudentId(FromBstr(newVal)); });
}

HRESULT CTsScannerForm25S::get_QuizId(BSTR* pVal)
{
    return AutomationMember(this, [&] { SetText(pVal, fields_.QuizId()); });
}

HRESULT CTsScannerForm25S::put_QuizId(BSTR newVal)
{
    return AutomationMember(this, [&] { fields_.SetQuizId(FromBstr(newVal)); });
}

HRESULT CTsScannerForm25S::get_QuizVersion(BSTR* pVal)
{
    return AutomationMember(this, [&] { SetText(pVal, fields_.QuizVersion()); });
}

HRESULT CTsScannerForm25S::put_QuizVersion(BSTR newVal)
{
    return AutomationMember(this, [&] { fields_.SetQuizVersion(FromBstr(newVal)); });
}

HRESULT CTsScannerForm25S::get_SubjectiveScore(LONG* pVal)
{
    return AutomationMember(this, [&] { *OutParam(pVal) = fields_.SubjectiveScore(); });
}

HRESULT CTsScannerForm25S::put_SubjectiveScore(LONG newVal)
{
    return AutomationMember(this, [&] { fields_.SetSubjectiveScore(newVal); });
}

HRESULT CTsScannerForm25S::get_Answer(LONG nIndex, BSTR* pVal)
{
    return AutomationMember(this, [&] {
        OutParam(pVal);
        SetText(pVal, fields_.Answer(nIndex));
    });
}

HRESULT CTsScannerForm25S::put_Answer(LONG nIndex, BSTR newVal)
{
    return AutomationMember(this, [&] { fields_.SetAnswer(nIndex, FromBstr(newVal)); });
}

HRESULT CTsScannerForm25S::get_LastCompletedAnswer(LONG* pVal)
{
    return AutomationMember(this, [&] { *OutParam(pVal) = fields_.LastCompletedAnswer(); });
}
