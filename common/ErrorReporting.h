// Filling the thread's error information at the automation boundary.
#pragma once

#include "platform/Guid.h"
#include "platform/Types.h"

#include <string>

// Installs error information (interface, source = the class's versioned
// ProgID when registered, description) for the calling thread and returns
// `code`, or DISP_E_EXCEPTION when `code` is 0.
HRESULT ReportError(REFCLSID clsid, const std::string& description, REFIID iid, HRESULT code);

// ReportError with the system's message text for `code` (as the system
// gives it, line break included), or "Unknown error %lu" when it has none.
HRESULT ReportSystemError(HRESULT code, REFCLSID clsid, REFIID iid);
