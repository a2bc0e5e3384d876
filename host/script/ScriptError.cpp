#include "host/script/ScriptError.h"

#include "platform/Bstr.h"
#include "platform/CodePage.h"
#include "platform/Messages.h"

#include <cstdio>

namespace script {

namespace {

std::string ToUtf8(std::u16string_view text) { return WideToUtf8(text); }

// A report is exactly one line, whatever line breaks a component put in its texts.
std::string OneLine(std::u16string_view text)
{
    std::string line = ToUtf8(text);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' '))
        line.pop_back();
    for (char& c : line)
        if (c == '\n' || c == '\r')
            c = ' ';
    return line;
}

std::u16string Ascii(const char* text)
{
    std::u16string out;
    while (*text)
        out += static_cast<char16_t>(static_cast<unsigned char>(*text++));
    return out;
}

} // namespace

ScriptError::ScriptError(LONG number, std::u16string source, std::u16string description, ErrorOrigin origin)
    : std::runtime_error(ToUtf8(description)),
      number_(number),
      source_(std::move(source)),
      description_(std::move(description)),
      origin_(origin)
{
}

ScriptError ScriptError::Engine(EngineError code, std::u16string_view detail)
{
    LONG number = static_cast<LONG>(code);
    std::u16string text = EngineErrorText(number);
    if (!detail.empty()) {
        text += u": '";
        text += detail;
        text += u"'";
    }
    return ScriptError(number, std::u16string(kHostSource), std::move(text), ErrorOrigin::Engine);
}

ScriptError ScriptError::FromResult(HRESULT code)
{
    return ScriptError(ErrNumberFromResult(code), std::u16string(kHostSource), SystemErrorText(code),
                       ErrorOrigin::System);
}

ScriptError ScriptError::FromException(EXCEPINFO& exception)
{
    if (exception.pfnDeferredFillIn)
        exception.pfnDeferredFillIn(&exception);
    // The record's strings are ours to free.
    BStr source = BStr::Attach(exception.bstrSource);
    BStr description = BStr::Attach(exception.bstrDescription);
    BStr helpFile = BStr::Attach(exception.bstrHelpFile);
    exception.bstrSource = exception.bstrDescription = exception.bstrHelpFile = nullptr;

    HRESULT code = exception.scode;
    LONG number;
    if (exception.wCode != 0)
        number = exception.wCode;
    else if (code != 0)
        number = ErrNumberFromResult(code);
    else
        number = ErrNumberFromResult(code = E_FAIL);

    // A member that gave no description is described by its number: VBScript's
    // text for the small numbers, the system's text for result codes.
    std::u16string text(description.View());
    if (text.empty())
        text = EngineErrorText(number);
    if (text.empty())
        text = SystemErrorText(ResultFromErrNumber(number));
    std::u16string from(source.View());
    if (from.empty())
        from = kHostSource;
    return ScriptError(number, std::move(from), std::move(text), ErrorOrigin::Component);
}

LONG ErrNumberFromResult(HRESULT code)
{
    uint32_t bits = static_cast<uint32_t>(code);
    if ((bits & 0xFFFF0000u) == 0x800A0000u && (bits & 0xFFFFu) != 0)
        return static_cast<LONG>(bits & 0xFFFFu);
    return code;
}

HRESULT ResultFromErrNumber(LONG number)
{
    if (number > 0 && number <= 0xFFFF)
        return MakeHResult(0x800A0000u | static_cast<uint32_t>(number));
    return number;
}

std::u16string EngineErrorText(LONG number)
{
    switch (number) {
    case 5: return u"Invalid procedure call or argument";
    case 6: return u"Overflow";
    case 7: return u"Out of memory";
    case 9: return u"Subscript out of range";
    case 11: return u"Division by zero";
    case 13: return u"Type mismatch";
    case 51: return u"Internal error";
    case 91: return u"Object variable not set";
    case 94: return u"Invalid use of Null";
    case 424: return u"Object required";
    case 429: return u"Cannot create object";
    case 438: return u"Object doesn't support this property or method";
    case 450: return u"Wrong number of arguments or invalid property assignment";
    case 500: return u"Variable is undefined";
    case 501: return u"Illegal assignment";
    default: return {};
    }
}

std::u16string SystemErrorText(HRESULT code)
{
    if (std::optional<std::string> text = SystemMessageText(code)) {
        std::string trimmed = *text;
        if (!trimmed.empty() && trimmed.back() == '\n')
            trimmed.pop_back();
        if (!trimmed.empty() && trimmed.back() == '\r')
            trimmed.pop_back();
        return AnsiToWide(trimmed);
    }
    char buffer[64];
    uint32_t bits = static_cast<uint32_t>(code);
    uint32_t dispatchNumber = (bits - 0x200u) & 0xFFFFu;
    if (bits >= 0x80040200u && bits <= 0x8004FFFFu && dispatchNumber != 0)
        std::snprintf(buffer, sizeof buffer, "IDispatch error #%u", dispatchNumber);
    else
        std::snprintf(buffer, sizeof buffer, "Unknown error 0x%X", bits);
    return Ascii(buffer);
}

std::string FormatErrorLine(const ScriptError& error)
{
    char code[16];
    std::snprintf(code, sizeof code, "0x%08X", static_cast<uint32_t>(ResultFromErrNumber(error.Number())));
    std::string line = "error ";
    line += code;
    line += " (" + OneLine(error.Source()) + "): " + OneLine(error.Description());
    if (error.Origin() != ErrorOrigin::Component && error.Line() > 0)
        line += " (line " + std::to_string(error.Line()) + ")";
    return line;
}

} // namespace script
