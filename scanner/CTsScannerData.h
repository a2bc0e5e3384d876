// The mark grid of one sheet, for hosts that inspect or correct single marks.
#pragma once

#include "platform/ComObject.h"
#include "scanner/core/TsScannerData.h"
#include "typelib/TsScannerLib.h"

class CTsScannerData : public DispatchObject<CTsScannerData, ITsScannerData> {
public:
    static const CoClassDescription& CoClass() { return TsScannerData_CoClass; }

    HRESULT InitFromScannerData(BSTR bstrScannerData, LONG nCols) override;
    HRESULT get_Value(LONG nLine, LONG nCol, VARIANT_BOOL* pVal) override;
    HRESULT put_Value(LONG nLine, LONG nCol, VARIANT_BOOL newVal) override;
    HRESULT get_LineCount(LONG* pVal) override;
    HRESULT put_LineCount(LONG newVal) override;
    HRESULT get_ColCount(LONG* pVal) override;
    HRESULT put_ColCount(LONG newVal) override;
    HRESULT Flip() override;

private:
    void CheckCell(LONG line, LONG column) const;

    TsScanner::TsScannerData grid_;
};
