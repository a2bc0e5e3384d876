// The script's built-in functions and named constants (Hex, Chr, Len,
// Replace, CreateObject, vbCrLf, ...), looked up without regard to case.
#pragma once

#include "host/script/LateBinding.h"
#include "platform/Variant.h"

#include <optional>
#include <string_view>

namespace script {

struct Builtin {
    std::u16string_view name; // lower case
    int minArgs;
    int maxArgs;
    // Objects are passed as they are (TypeName, IsObject); every other
    // built-in receives plain values, objects already read for their default.
    bool takesObjects;
    Variant (*call)(Arguments& args);
};

const Builtin* FindBuiltin(std::u16string_view name);
std::optional<Variant> FindConstant(std::u16string_view name);

// CreateObject: the class of a programmatic identifier (or a braced class
// identifier), created in process and asked for IDispatch.
Variant CreateObjectByName(std::u16string_view progId);

// True for an argument left out (`f(1, , 3)`) or not given.
bool IsMissing(const VARIANT& argument);

} // namespace script
