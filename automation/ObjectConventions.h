// What every automation class of TessalyLib shares, written once:
//
//   - plain properties: GetText / PutText (BSTR <-> the record's ANSI string,
//     a null BSTR stored as empty text) and GetValue / PutValue (long,
//     double, enumerations), each framed by AutomationMember (the object's
//     lock, error information with the class's own identifiers);
//   - CreateObjectInto: a new object of this library created through the
//     platform straight into the caller's out parameter (element hand-out and
//     response objects);
//   - ArgumentObject / ReadArgument: this library's implementation behind an
//     interface argument, refused cleanly when the pointer is null or belongs
//     to another implementation;
//   - ResolveVariantIndex: a VARIANT index, identifier or position, turned
//     into a list position; CheckListIndex (common/IndexCheck.h) for numbers.
//
// A class then only declares its record and members:
//
//   HRESULT get_Id(BSTR* value) override { return Automation::GetText(this, record_.id, value); }
//   HRESULT put_Id(BSTR value) override { return Automation::PutText(this, record_.id, value); }
#pragma once

#include "common/Exceptions.h"
#include "common/IndexCheck.h"
#include "common/MemberFrame.h"
#include "common/StringConversion.h"
#include "platform/Activation.h"
#include "platform/TypeDescription.h"
#include "platform/Variant.h"

#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace Automation {

// String property get: a new BSTR holding a copy of the field.
template <typename Object>
HRESULT GetText(Object* self, const std::string& field, BSTR* value)
{
    return AutomationMember(self, [&] {
        BSTR* out = OutParam(value); // checked before the copy is allocated
        *out = ToBstr(field);
    });
}

// String property put: the converted text replaces the field.
template <typename Object>
HRESULT PutText(Object* self, std::string& field, BSTR value)
{
    return AutomationMember(self, [&] { field = FromBstr(value); });
}

// Integer, real and enumeration properties: stored and returned as they are.
template <typename Object, typename T, typename Out>
HRESULT GetValue(Object* self, const T& field, Out* value)
{
    return AutomationMember(self, [&] { *OutParam(value) = static_cast<Out>(field); });
}

template <typename Object, typename T, typename In>
HRESULT PutValue(Object* self, T& field, In value)
{
    return AutomationMember(self, [&] { field = static_cast<T>(value); });
}

// The class name used in the messages about object arguments.
std::string ClassLabel(const CoClassDescription& coclass);

// Creates a new object of class Impl through the platform (CoCreateInstance
// with the class's identifier, CLSCTX_ALL, its interface), places it in `out`
// at once and returns its implementation for filling. A failed creation
// leaves `out` null and throws ComException with the creation's code, which
// the member reports with the system's text for it.
template <typename Impl>
Impl& CreateObjectInto(typename Impl::PrimaryInterface** out)
{
    using Interface = typename Impl::PrimaryInterface;
    Interface** target = OutParam(out);
    *target = nullptr;
    Interface* created = nullptr;
    const HRESULT hr = CoCreateInstance(Impl::CoClass().clsid, nullptr, CLSCTX_ALL, Interface::iid,
                                        reinterpret_cast<void**>(&created));
    if (FAILED(hr) || !created)
        throw ComException(FAILED(hr) ? hr : E_UNEXPECTED, true, "Unknown error");
    Impl* implementation = Impl::FromInterface(created);
    if (!implementation) {
        // The registry names another implementation for our class identifier.
        created->Release();
        throw ComException(E_UNEXPECTED, true,
                           "The registered " + ClassLabel(Impl::CoClass()) + " class is not this library's");
    }
    *target = created;
    return *implementation;
}

// This library's implementation behind an interface argument. A null pointer
// fails with E_POINTER and an object of another implementation with
// E_INVALIDARG, each with a description naming the class expected; members
// call this before they change anything.
template <typename Impl>
Impl& ArgumentObject(typename Impl::PrimaryInterface* argument)
{
    if (!argument)
        throw ComException(E_POINTER, true, "No " + ClassLabel(Impl::CoClass()) + " object was given");
    Impl* implementation = Impl::FromInterface(argument);
    if (!implementation)
        throw ComException(E_INVALIDARG, true,
                           "The object given is not a " + ClassLabel(Impl::CoClass()) + " object of this library");
    return *implementation;
}

// Runs read(implementation) under the argument object's own lock, so that
// its record is never copied while another thread changes it. Locks are only
// ever taken from the calling object towards its argument, never back.
template <typename Impl, typename Read>
auto ReadArgument(typename Impl::PrimaryInterface* argument, Read&& read)
{
    Impl& implementation = ArgumentObject<Impl>(argument);
    std::lock_guard<std::recursive_mutex> lock(implementation.ObjectLock());
    return read(static_cast<const Impl&>(implementation));
}

// ASCII letters compared without regard to case; other bytes as they are.
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);

// Replaces the single "%s" of a message format by the text (any length).
std::string FormatWithText(std::string_view format, std::string_view text);

// Looks up a string index: the position of the first member whose
// identifier it names, or nullopt.
using IdentifierLookup = std::function<std::optional<std::size_t>(const std::string& identifier)>;

// Resolves a VARIANT list index (one level of VT_BYREF is followed):
//   - a BSTR is an identifier, even when it holds digits: the position
//     `find` gives, or a failure with notFoundFormat ("... %s ...") filled
//     with it; a null BSTR is refused with E_INVALIDARG;
//   - anything else is converted to an integer (VariantChangeType, VT_INT,
//     reals rounded to the nearest) and checked against count with the two
//     index messages;
//   - a value that does not convert (Null, an object) takes no member:
//     nullopt, and the member hands out a new, empty element.
std::optional<std::size_t> ResolveVariantIndex(const VARIANT& index, std::size_t count,
                                               const IdentifierLookup& find, std::string_view notFoundFormat);

} // namespace Automation
