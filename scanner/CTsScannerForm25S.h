// The fixed 25-answer sheet: student id, quiz id, version, score and answers.
#pragma once

#include "platform/ComObject.h"
#include "scanner/core/Form25SFields.h"
#include "typelib/TsScannerLib.h"

class CTsScannerForm25S : public DispatchObject<CTsScannerForm25S, ITsScannerForm25S> {
public:
    static const CoClassDescription& CoClass() { return TsScannerForm25S_CoClass; }

    HRESULT InitFromScannerData(BSTR bstrScannerData) override;
    HRESULT get_StudentId(BSTR* pVal) override;
    HRESULT put_StudentId(BSTR newVal) override;
    HRESULT get_QuizId(BSTR* pVal) override;
    HRESULT put_QuizId(BSTR newVal) override;
    HRESULT get_QuizVersion(BSTR* pVal) override;
    HRESULT put_QuizVersion(BSTR newVal) override;
    HRESULT get_SubjectiveScore(LONG* pVal) override;
    HRESULT put_SubjectiveScore(LONG newVal) override;
    HRESULT get_Answer(LONG nIndex, BSTR* pVal) override;
    HRESULT put_Answer(LONG nIndex, BSTR newVal) override;
    HRESULT get_LastCompletedAnswer(LONG* pVal) override;

private:
    TsScanner::Form25SFields fields_;
};
