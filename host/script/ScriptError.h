// A run-time error of a script: what `Err` holds and what an unhandled error
// prints. Engine errors carry VBScript's small numbers (13 "Type mismatch");
// errors of objects carry their result code.
#pragma once

#include "platform/Interfaces.h"
#include "platform/Types.h"

#include <stdexcept>
#include <string>
#include <string_view>

namespace script {

// VBScript's run-time error numbers for the errors the engine raises itself.
enum class EngineError : int32_t {
    InvalidCall = 5,
    Overflow = 6,
    OutOfMemory = 7,
    SubscriptOutOfRange = 9,
    DivisionByZero = 11,
    TypeMismatch = 13,
    InternalError = 51,
    ObjectNotSet = 91,
    InvalidUseOfNull = 94,
    ObjectRequired = 424,
    CannotCreateObject = 429,
    NotSupported = 438,
    WrongArgumentCount = 450,
    VariableUndefined = 500,
    IllegalAssignment = 501,
};

// Where an error came from decides how its report is built.
enum class ErrorOrigin {
    Engine,    // raised by the interpreter (or by Err.Raise)
    Component, // a failing member described itself (EXCEPINFO)
    System,    // a bare result code, described by the system's text
};

class ScriptError : public std::runtime_error {
public:
    ScriptError(LONG number, std::u16string source, std::u16string description, ErrorOrigin origin);

    // An engine error with VBScript's text, `detail` naming the culprit: "Type mismatch: 'x'".
    static ScriptError Engine(EngineError code, std::u16string_view detail = {});
    // A failure result with the system's text for it.
    static ScriptError FromResult(HRESULT code);
    // An Invoke that returned DISP_E_EXCEPTION, with the member's own report.
    static ScriptError FromException(EXCEPINFO& exception);

    LONG Number() const { return number_; }
    const std::u16string& Source() const { return source_; }
    const std::u16string& Description() const { return description_; }
    ErrorOrigin Origin() const { return origin_; }
    // The script line it happened on (0 until the statement is known).
    int Line() const { return line_; }
    void SetLine(int line)
    {
        if (line_ == 0)
            line_ = line;
    }

private:
    LONG number_;
    std::u16string source_;
    std::u16string description_;
    ErrorOrigin origin_;
    int line_ = 0;
};

// The source named by errors the host itself raises.
inline constexpr std::u16string_view kHostSource = u"tshost";

// Err.Number for a result code: a control-facility code 0x800Axxxx becomes
// its small number xxxx, as VBScript shows it; every other code stays as it is.
LONG ErrNumberFromResult(HRESULT code);
// The reverse, for reports: small numbers are shown as 0x800Axxxx.
HRESULT ResultFromErrNumber(LONG number);
// VBScript's text for an engine error number, or empty when it has none.
std::u16string EngineErrorText(LONG number);
// The system's message text for a code, trailing line break removed, or the
// fallback formats ("IDispatch error #%d", "Unknown error 0x%0lX").
std::u16string SystemErrorText(HRESULT code);

// The one line an unhandled error prints: "error 0xXXXXXXXX (SOURCE): DESCRIPTION".
// Errors the engine or the system described get " (line N)" so the user can find them.
std::string FormatErrorLine(const ScriptError& error);

} // namespace script
