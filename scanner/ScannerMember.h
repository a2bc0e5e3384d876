// Text conversion shared by the scanner classes' members.
#pragma once

#include "common/MemberFrame.h"
#include "common/StringConversion.h"

namespace ScannerMember {

// Hands an 8-bit text out through a BSTR out parameter.
inline void SetText(BSTR* out, const std::string& text)
{
    BSTR* target = OutParam(out);
    *target = ToBstr(text);
}

} // namespace ScannerMember
