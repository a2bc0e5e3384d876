// Calls on automation objects by name, through GetIDsOfNames and Invoke
// only; failures come back as ScriptError (the member's own report for
// DISP_E_EXCEPTION, the system's text for any other result).
#pragma once

#include "platform/ComPtr.h"
#include "platform/Variant.h"

#include <string_view>
#include <vector>

namespace script {

// Arguments in script order; `VT_ERROR`/DISP_E_PARAMNOTFOUND marks one left out.
using Arguments = std::vector<Variant>;

Variant MissingArgument();

// Reads a property or calls a method (DISPATCH_METHOD | DISPATCH_PROPERTYGET).
Variant InvokeGet(IDispatch* object, std::u16string_view name, Arguments& args);
// The default member (DISPID_VALUE), read or called with arguments.
Variant InvokeDefault(IDispatch* object, Arguments& args);
// Writes a property (DISPATCH_PROPERTYPUT, or PROPERTYPUTREF for `Set`,
// falling back to PROPERTYPUT for objects that only have that).
void InvokePut(IDispatch* object, std::u16string_view name, Arguments& args, const Variant& value, bool byReference);
void InvokePutDefault(IDispatch* object, Arguments& args, const Variant& value);

// The same object answers for IUnknown: identity for `Is`.
bool SameObject(IUnknown* a, IUnknown* b);

// A value received from an object, made plain: references followed, an
// IUnknown that also speaks IDispatch held as IDispatch.
Variant Normalize(Variant value);

} // namespace script
