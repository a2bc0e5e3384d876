// Calls a vtable slot with arguments described by variant types, through
// libffi, so late binding needs no hand-written call per signature.
#include "platform/TypeInfo.h"

#include <ffi.h>

#include <array>
#include <cstring>
#include <vector>

namespace {

// A VARIANT passed by value: 8 bytes of tag and reserved words, then the
// 16-byte value union. libffi only needs the size and alignment to pass it
// the way the C++ compiler does (in memory, being larger than 16 bytes).
ffi_type* VariantFfiType()
{
    static ffi_type* elements[] = {&ffi_type_uint16, &ffi_type_uint16, &ffi_type_uint16, &ffi_type_uint16,
                                   &ffi_type_uint64, &ffi_type_uint64, nullptr};
    static ffi_type type = [] {
        ffi_type t{};
        t.type = FFI_TYPE_STRUCT;
        t.elements = elements;
        size_t offsets[6];
        // Lays the structure out once, so concurrent calls only read it.
        ffi_get_struct_offsets(FFI_DEFAULT_ABI, &t, offsets);
        return t;
    }();
    static_assert(sizeof(VARIANT) == 24 && alignof(VARIANT) == 8);
    return &type;
}

// The libffi type of an argument or result of type vt, or null when the
// type cannot be passed.
ffi_type* FfiTypeOf(VARTYPE vt)
{
    if (vt & VT_BYREF)
        return &ffi_type_pointer;
    switch (vt) {
    case VT_I1:
        return &ffi_type_sint8;
    case VT_UI1:
        return &ffi_type_uint8;
    case VT_I2:
    case VT_BOOL:
        return &ffi_type_sint16;
    case VT_UI2:
        return &ffi_type_uint16;
    case VT_I4:
    case VT_INT:
    case VT_ERROR:
    case VT_HRESULT:
        return &ffi_type_sint32;
    case VT_UI4:
    case VT_UINT:
        return &ffi_type_uint32;
    case VT_I8:
    case VT_CY:
        return &ffi_type_sint64;
    case VT_UI8:
        return &ffi_type_uint64;
    case VT_R4:
        return &ffi_type_float;
    case VT_R8:
    case VT_DATE:
        return &ffi_type_double;
    case VT_BSTR:
    case VT_DISPATCH:
    case VT_UNKNOWN:
    case VT_PTR:
        return &ffi_type_pointer;
    case VT_VARIANT:
        return VariantFfiType();
    default:
        return nullptr;
    }
}

// Where libffi reads an argument of type vt held in `v`: the value union for
// plain values (every member starts at its first byte), the whole variant
// for VT_VARIANT.
void* ArgumentAddress(VARTYPE vt, VARIANTARG* v)
{
    if (vt == VT_VARIANT)
        return v;
    return &v->llVal;
}

constexpr size_t kInlineArguments = 16;

} // namespace

HRESULT DispCallFunc(void* instance, UINT vtableIndex, VARTYPE returnType, UINT argumentCount,
                     const VARTYPE* argumentTypes, VARIANTARG** argumentValues, VARIANT* result)
{
    if (!instance || (argumentCount && (!argumentTypes || !argumentValues)))
        return E_INVALIDARG;
    if (returnType != VT_EMPTY && returnType != VT_VOID && !result)
        return E_INVALIDARG;
    if (argumentCount > 0xFFFF)
        return E_INVALIDARG;

    ffi_type* returnFfi = (returnType == VT_EMPTY || returnType == VT_VOID) ? &ffi_type_void : FfiTypeOf(returnType);
    if (!returnFfi || returnType == VT_VARIANT)
        return DISP_E_BADVARTYPE; // a returned structure is not part of the contract

    // The this pointer, then the arguments.
    const size_t total = size_t(argumentCount) + 1;
    std::array<ffi_type*, kInlineArguments> localTypes;
    std::array<void*, kInlineArguments> localValues;
    std::vector<ffi_type*> heapTypes;
    std::vector<void*> heapValues;
    ffi_type** types = localTypes.data();
    void** values = localValues.data();
    if (total > kInlineArguments) {
        heapTypes.resize(total);
        heapValues.resize(total);
        types = heapTypes.data();
        values = heapValues.data();
    }
    types[0] = &ffi_type_pointer;
    values[0] = &instance;
    for (UINT i = 0; i < argumentCount; ++i) {
        ffi_type* t = FfiTypeOf(argumentTypes[i]);
        if (!t || !argumentValues[i])
            return t ? E_INVALIDARG : DISP_E_BADVARTYPE;
        types[i + 1] = t;
        values[i + 1] = ArgumentAddress(argumentTypes[i], argumentValues[i]);
    }

    ffi_cif cif;
    if (ffi_prep_cif(&cif, FFI_DEFAULT_ABI, static_cast<unsigned>(total), returnFfi, types) != FFI_OK)
        return DISP_E_BADVARTYPE;

    void** vtable = *static_cast<void***>(instance);
    void* function = vtable[vtableIndex];

    // libffi widens small integral results to a whole register (ffi_arg).
    alignas(16) unsigned char returned[16] = {};
    ffi_call(&cif, reinterpret_cast<void (*)()>(function), returned, values);

    if (returnFfi == &ffi_type_void) {
        if (result)
            VariantInit(result);
        return S_OK;
    }
    VariantInit(result);
    result->vt = returnType;
    switch (returnFfi->type) {
    case FFI_TYPE_SINT8:
    case FFI_TYPE_UINT8:
    case FFI_TYPE_SINT16:
    case FFI_TYPE_UINT16:
    case FFI_TYPE_SINT32:
    case FFI_TYPE_UINT32: {
        ffi_arg wide;
        std::memcpy(&wide, returned, sizeof wide);
        const auto narrow = static_cast<uint32_t>(wide);
        if (returnFfi->size == 1)
            result->bVal = static_cast<BYTE>(narrow);
        else if (returnFfi->size == 2)
            result->uiVal = static_cast<USHORT>(narrow);
        else
            result->ulVal = narrow;
        break;
    }
    default:
        std::memcpy(&result->llVal, returned, returnFfi->size);
        break;
    }
    return S_OK;
}
