// The state behind the script's `Err` object.
#pragma once

#include "host/script/ScriptError.h"

#include <string>

namespace script {

struct ErrObject {
    LONG number = 0;
    std::u16string source;
    std::u16string description;

    void Clear() { *this = ErrObject(); }
    void Set(const ScriptError& error)
    {
        number = error.Number();
        source = error.Source();
        description = error.Description();
    }
};

} // namespace script
