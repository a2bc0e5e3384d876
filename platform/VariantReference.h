// Internal helpers shared by the variant functions: which type tags are
// valid here, and a plain view of a value held by reference.
#pragma once

#include "platform/Variant.h"

// True for the type tags this platform stores in a VARIANT (no safe arrays).
bool IsValidVariantType(VARTYPE vt);

// Fills `view` with the plain (non-reference) value of `source`, following a
// VT_BYREF one level (and a VT_BYREF | VT_VARIANT to the variant it names).
// The view shares strings and interfaces with the source: it owns nothing and
// must not be cleared.
HRESULT DereferenceVariant(const VARIANT& source, VARIANT& view);
