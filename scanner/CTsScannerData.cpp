#include "scanner/CTsScannerData.h"

#include "scanner/ScannerMember.h"

HRESULT CTsScannerData::InitFromScannerData(BSTR bstrScannerData, LONG nCols)
{
    return AutomationMember(this, [&] { grid_.LoadFromText(FromBstr(bstrScannerData), nCols); });
}

// Both indexes against 0 to the count first (line, then column); the grid's
// own check then rejects 0 and anything outside its storage.
void CTsScannerData::CheckCell(LONG line, LONG column) const
{
    TsScanner::CheckGridIndex(line, grid_.LineCount());
    TsScanner::CheckGridIndex(column, grid_.ColCount());
}

HRESULT CTsScannerData::get_Value(LONG nLine, LONG nCol, VARIANT_BOOL* pVal)
{
    return AutomationMember(this, [&] {
        VARIANT_BOOL* out = OutParam(pVal);
        CheckCell(nLine, nCol);
        *out = grid_.GetMark(nLine, nCol) ? VARIANT_TRUE : VARIANT_FALSE;
    });
}

HRESULT CTsScannerData::put_Value(LONG nLine, LONG nCol, VARIANT_BOOL newVal)
{
    return AutomationMember(this, [&] {
        CheckCell(nLine, nCol);
        grid_.SetMark(nLine, nCol, newVal == VARIANT_TRUE);
    });
}

HRESULT CTsScannerData::get_LineCount(LONG* pVal)
{
    return AutomationMember(this, [&] { *OutParam(pVal) = grid_.LineCount(); });
}

HRESULT CTsScannerData::put_LineCount(LONG newVal)
{
    return AutomationMember(this, [&] { grid_.SetLineCount(newVal); });
}

HRESULT CTsScannerData::get_ColCount(LONG* pVal)
{
    return AutomationMember(this, [&] { *OutParam(pVal) = grid_.ColCount(); });
}

HRESULT CTsScannerData::put_ColCount(LONG newVal)
{
    return AutomationMember(this, [&] { grid_.SetColCount(newVal); });
}

HRESULT CTsScannerData::Flip()
{
    return AutomationMember(this, [&] { grid_.Flip(); });
}
