// The frame of every automation member: the body runs guarded, and each kind
// of failure becomes a result code with error information naming the
// object's class and the member's interface.
//
//   HRESULT CTsScannerData::get_LineCount(LONG* value)
//   {
//       return AutomationMember(this, [&] { *OutParam(value) = grid_.LineCount(); });
//   }
#pragma once

#include "common/ErrorReporting.h"
#include "common/Exceptions.h"

#include <exception>
#include <mutex>
#include <string>

// Runs `body` and reports its failure, in this order: ComException, any
// standard exception (DISP_E_EXCEPTION with its message), PlatformError (its
// own code, with the description it carries or the system text), anything
// else (E_FAIL with the system text).
template <typename Body>
HRESULT GuardedMember(REFCLSID clsid, REFIID iid, Body&& body)
{
    HRESULT result = S_OK;
    try {
        body();
    } catch (const ComException& e) {
        result = e.Report(clsid, iid);
    } catch (const std::exception& e) {
        if (SUCCEEDED(result))
            result = ReportError(clsid, e.what(), iid, 0);
    } catch (const PlatformError& e) {
        std::string description;
        if (e.Description(description))
            ReportError(clsid, description, iid, e.Code());
        else
            ReportError(clsid, e.SystemMessage(), iid, e.Code());
        result = e.Code();
    } catch (...) {
        result = ReportSystemError(E_FAIL, clsid, iid);
    }
    return result;
}

// GuardedMember under the object's own recursive lock, with the class and
// interface of the object (a DispatchObject).
template <typename Object, typename Body>
HRESULT AutomationMember(Object* self, Body&& body)
{
    std::lock_guard<std::recursive_mutex> lock(self->ObjectLock());
    return GuardedMember(Object::CoClass().clsid, Object::PrimaryInterface::iid, std::forward<Body>(body));
}

// An out parameter that must not be null (E_POINTER otherwise).
template <typename T>
T* OutParam(T* pointer)
{
    if (!pointer)
        throw PlatformError(E_POINTER);
    return pointer;
}
