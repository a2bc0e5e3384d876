// Late binding over an interface's constant tables: name look-up and the one
// generic Invoke behind every ITypeInfo (and so every DispatchObject).
#pragma once

#include "platform/Interfaces.h"
#include "platform/TypeDescription.h"

// names[0] is a member, names[1..] its parameters, compared without regard to
// case (ASCII and Latin-1 letters). Unknown names get DISPID_UNKNOWN and the
// call answers DISP_E_UNKNOWNNAME.
HRESULT GetIDsOfDescribedNames(const InterfaceDescription& description, LPOLESTR* names, UINT count, MEMBERID* ids);

// Calls member `id` of `instance` (a pointer to the interface described):
// picks the function for id and flags, checks, coerces and completes the
// arguments, calls the vtable slot and turns [out, retval] into *result.
HRESULT InvokeDescribedMember(void* instance, const InterfaceDescription& description, MEMBERID id, WORD flags,
                              DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception, UINT* argumentError);
