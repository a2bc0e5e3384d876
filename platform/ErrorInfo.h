// Per-thread error information: the record a failing member leaves for its caller.
#pragma once

#include "platform/Interfaces.h"

HRESULT CreateErrorInfo(ICreateErrorInfo** info);
// Replaces the calling thread's error information (null clears it); takes a reference.
HRESULT SetErrorInfo(ULONG reserved, IErrorInfo* info);
// Hands the calling thread's error information to the caller and clears it;
// S_FALSE and null when there is none.
HRESULT GetErrorInfo(ULONG reserved, IErrorInfo** info);
