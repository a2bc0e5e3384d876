// The frame of every member of the component: failures become a result code
// and error information for the interface that declares the member.
#pragma once

#include "platform/Interfaces.h"
#include "platform/xml/DomError.h"

#include <exception>
#include <new>
#include <string_view>

namespace xmldom {

// Installs error information (this component's ProgID as source, `iid`,
// the UTF-8 description) on the calling thread and returns `code`.
HRESULT ReportDomError(HRESULT code, REFIID iid, std::string_view description) noexcept;

template <typename Body>
HRESULT DomCall(REFIID iid, Body&& body) noexcept
{
    try {
        return body();
    } catch (const DomError& e) {
        return ReportDomError(e.Code(), iid, e.Description());
    } catch (const std::bad_alloc&) {
        return ReportDomError(E_OUTOFMEMORY, iid, "Not enough memory to complete the operation");
    } catch (const std::exception& e) {
        return ReportDomError(E_FAIL, iid, e.what());
    } catch (...) {
        return ReportDomError(E_FAIL, iid, "Unexpected failure in the XML document component");
    }
}

// Checks an out parameter and empties it, as every member does first.
template <typename T>
void ClearOut(T* out)
{
    if (!out)
        throw DomError(E_POINTER, "A required result pointer is null");
    *out = T{};
}

} // namespace xmldom
