// Automation strings to and from the libraries' 8-bit strings in the ANSI
// code page. A null BSTR is an empty text; a character the code page cannot
// hold becomes its default character.
#pragma once

#include "platform/Bstr.h"

#include <string>
#include <string_view>

std::string FromBstr(BSTR text);
// A new BSTR (never null, also for an empty text); E_OUTOFMEMORY as PlatformError.
BSTR ToBstr(std::string_view text);
