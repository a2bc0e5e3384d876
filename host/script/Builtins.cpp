#include "host/script/Builtins.h"

#include "host/script/Lexer.h"
#include "host/script/ScriptError.h"
#include "host/script/Values.h"
#include "platform/Activation.h"
#include "platform/CodePage.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <limits>

namespace script {

bool IsMissing(const VARIANT& argument) { return argument.vt == VT_ERROR && argument.scode == DISP_E_PARAMNOTFOUND; }

namespace {

[[noreturn]] void InvalidCall() { throw ScriptError::Engine(EngineError::InvalidCall); }

// An optional argument: `fallback` when left out.
const VARIANT& Arg(Arguments& args, size_t index, const Variant& fallback)
{
    return index < args.size() && !IsMissing(args[index]) ? args[index] : fallback;
}

void RequirePresent(Arguments& args, size_t count)
{
    for (size_t i = 0; i < count && i < args.size(); ++i)
        if (IsMissing(args[i]))
            InvalidCall();
}

std::u16string Ascii(const char* text) { return std::u16string(text, text + std::char_traits<char>::length(text)); }

char16_t FoldChar(char16_t c)
{
    if ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
        return static_cast<char16_t>(c + 32);
    return c;
}

char16_t UpperChar(char16_t c)
{
    if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7))
        return static_cast<char16_t>(c - 32);
    return c;
}

std::u16string Folded(std::u16string_view text)
{
    std::u16string out(text);
    for (char16_t& c : out)
        c = FoldChar(c);
    return out;
}

LONG LongArg(const VARIANT& v) { return ToLong(v); }

// ---- the functions -------------------------------------------------------

Variant Hex(Arguments& args)
{
    RequirePresent(args, 1);
    const VARIANT& v = args[0];
    if (v.vt == VT_NULL)
        return MakeNull();
    uint32_t bits;
    if (v.vt == VT_I2 || v.vt == VT_BOOL)
        bits = static_cast<uint16_t>(v.vt == VT_I2 ? v.iVal : v.boolVal); // Integers show 4 digits
    else
        bits = static_cast<uint32_t>(ToLong(v));
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%X", bits);
    return MakeString(Ascii(buffer));
}

Variant Chr(Arguments& args)
{
    RequirePresent(args, 1);
    LONG code = LongArg(args[0]);
    if (code < 0 || code > 255)
        InvalidCall();
    std::u16string text = AnsiToWide(std::string(1, static_cast<char>(code)));
    if (text.size() != 1)
        InvalidCall();
    return MakeString(text);
}

Variant ChrW(Arguments& args)
{
    RequirePresent(args, 1);
    LONG code = LongArg(args[0]);
    if (code < -32768 || code > 65535)
        InvalidCall();
    return MakeString(std::u16string(1, static_cast<char16_t>(code & 0xFFFF)));
}

std::u16string TextArg(const VARIANT& v) { return ToText(v); }

Variant Asc(Arguments& args)
{
    RequirePresent(args, 1);
    std::u16string text = TextArg(args[0]);
    if (text.empty())
        InvalidCall();
    std::string ansi = WideToAnsi(text.substr(0, 1));
    return MakeInteger(static_cast<int16_t>(static_cast<unsigned char>(ansi.empty() ? '?' : ansi[0])));
}

Variant AscW(Arguments& args)
{
    RequirePresent(args, 1);
    std::u16string text = TextArg(args[0]);
    if (text.empty())
        InvalidCall();
    return MakeInteger(static_cast<int16_t>(text[0]));
}

Variant Len(Arguments& args)
{
    RequirePresent(args, 1);
    if (args[0].vt == VT_NULL)
        return MakeNull();
    return MakeLong(static_cast<LONG>(TextArg(args[0]).size()));
}

// Replace(expression, find, replaceWith[, start[, count[, compare]]]): the
// result starts at `start`; count -1 replaces every match; compare 1 ignores case.
Variant Replace(Arguments& args)
{
    RequirePresent(args, 3);
    if (args[0].vt == VT_NULL)
        return MakeNull();
    if (args[1].vt == VT_NULL || args[2].vt == VT_NULL)
        throw ScriptError::Engine(EngineError::InvalidUseOfNull);
    Variant one = MakeLong(1), all = MakeLong(-1), binary = MakeLong(0);
    std::u16string text = TextArg(args[0]);
    std::u16string find = TextArg(args[1]);
    std::u16string with = TextArg(args[2]);
    LONG start = LongArg(Arg(args, 3, one));
    LONG count = LongArg(Arg(args, 4, all));
    LONG compare = LongArg(Arg(args, 5, binary));
    if (start < 1 || count < -1 || (compare != 0 && compare != 1))
        InvalidCall();
    if (static_cast<size_t>(start) > text.size())
        return MakeString(u"");
    text.erase(0, static_cast<size_t>(start - 1));
    if (find.empty() || count == 0)
        return MakeString(text);
    std::u16string haystack = compare == 1 ? Folded(text) : text;
    std::u16string needle = compare == 1 ? Folded(find) : find;
    std::u16string out;
    size_t pos = 0;
    LONG done = 0;
    while (count == -1 || done < count) {
        size_t hit = haystack.find(needle, pos);
        if (hit == std::u16string::npos)
            break;
        out.append(text, pos, hit - pos);
        out += with;
        pos = hit + needle.size();
        ++done;
    }
    out.append(text, pos, std::u16string::npos);
    return MakeString(out);
}

Variant CreateObject(Arguments& args)
{
    RequirePresent(args, 1);
    Variant none = MakeString(u"");
    if (!TextArg(Arg(args, 1, none)).empty())
        throw ScriptError::Engine(EngineError::CannotCreateObject, TextArg(args[1]));
    return CreateObjectByName(TextArg(args[0]));
}

Variant CStr(Arguments& args) { return MakeString(TextArg(args[0])); }
Variant CLng(Arguments& args) { return MakeLong(LongArg(args[0])); }
Variant CInt(Arguments& args)
{
    LONG value = LongArg(args[0]);
    if (value < -32768 || value > 32767)
        throw ScriptError::Engine(EngineError::Overflow);
    return MakeInteger(static_cast<int16_t>(value));
}
Variant CDbl(Arguments& args) { return MakeDouble(ToDouble(args[0])); }
Variant CBool(Arguments& args) { return MakeBool(ToBool(args[0])); }

template <char16_t (*Map)(char16_t)>
Variant MapChars(Arguments& args)
{
    if (args[0].vt == VT_NULL)
        return MakeNull();
    std::u16string text = TextArg(args[0]);
    std::transform(text.begin(), text.end(), text.begin(), Map);
    return MakeString(text);
}

template <bool Leading, bool Trailing>
Variant TrimSpaces(Arguments& args)
{
    if (args[0].vt == VT_NULL)
        return MakeNull();
    std::u16string text = TextArg(args[0]);
    size_t begin = 0, end = text.size();
    if (Leading)
        while (begin < end && text[begin] == u' ')
            ++begin;
    if (Trailing)
        while (end > begin && text[end - 1] == u' ')
            --end;
    return MakeString(std::u16string_view(text).substr(begin, end - begin));
}

LONG LengthArg(const VARIANT& v)
{
    LONG n = LongArg(v);
    if (n < 0)
        InvalidCall();
    return n;
}

Variant Left(Arguments& args)
{
    RequirePresent(args, 2);
    if (args[0].vt == VT_NULL)
        return MakeNull();
    LONG n = LengthArg(args[1]);
    return MakeString(TextArg(args[0]).substr(0, static_cast<size_t>(n)));
}

Variant Right(Arguments& args)
{
    RequirePresent(args, 2);
    if (args[0].vt == VT_NULL)
        return MakeNull();
    std::u16string text = TextArg(args[0]);
    size_t n = std::min(static_cast<size_t>(LengthArg(args[1])), text.size());
    return MakeString(text.substr(text.size() - n));
}

Variant Mid(Arguments& args)
{
    RequirePresent(args, 2);
    if (args[0].vt == VT_NULL)
        return MakeNull();
    std::u16string text = TextArg(args[0]);
    LONG start = LongArg(args[1]);
    if (start < 1)
        InvalidCall();
    Variant rest = MakeLong(std::numeric_limits<LONG>::max());
    size_t length = static_cast<size_t>(LengthArg(Arg(args, 2, rest)));
    if (static_cast<size_t>(start) > text.size())
        return MakeString(u"");
    return MakeString(text.substr(static_cast<size_t>(start - 1), length));
}

// InStr([start, ]string1, string2[, compare]): 1-based position, 0 when absent.
Variant InStr(Arguments& args)
{
    RequirePresent(args, 2);
    size_t first = 0;
    LONG start = 1;
    if (args.size() >= 3) {
        if (args[0].vt == VT_NULL)
            throw ScriptError::Engine(EngineError::InvalidUseOfNull);
        start = LongArg(args[0]);
        if (start < 1)
            InvalidCall();
        first = 1;
    }
    RequirePresent(args, first + 2);
    const VARIANT& a = args[first];
    const VARIANT& b = args[first + 1];
    if (a.vt == VT_NULL || b.vt == VT_NULL)
        return MakeNull();
    Variant binary = MakeLong(0);
    bool ignoreCase = args.size() > first + 2 && LongArg(Arg(args, first + 2, binary)) == 1;
    std::u16string text = ignoreCase ? Folded(TextArg(a)) : TextArg(a);
    std::u16string find = ignoreCase ? Folded(TextArg(b)) : TextArg(b);
    if (static_cast<size_t>(start) > text.size())
        return MakeLong(find.empty() && static_cast<size_t>(start) == text.size() + 1 ? start : 0);
    size_t hit = text.find(find, static_cast<size_t>(start - 1));
    return MakeLong(hit == std::u16string::npos ? 0 : static_cast<LONG>(hit + 1));
}

Variant IsEmpty(Arguments& args) { return MakeBool(args[0].vt == VT_EMPTY); }
Variant IsNull(Arguments& args) { return MakeBool(args[0].vt == VT_NULL); }
Variant IsObject(Arguments& args) { return MakeBool(IsObjectValue(args[0])); }
Variant TypeName(Arguments& args) { return MakeString(TypeNameOf(args[0])); }

Variant IsNumeric(Arguments& args)
{
    const VARIANT& v = args[0];
    if (v.vt == VT_NULL || v.vt == VT_ERROR)
        return MakeBool(false);
    try {
        ToDouble(v);
        return MakeBool(true);
    } catch (const ScriptError&) {
        return MakeBool(false);
    }
}

constexpr int kMany = 1 << 16;

const std::array<Builtin, 27> kBuiltins = {{
    {u"asc", 1, 1, false, Asc},
    {u"ascw", 1, 1, false, AscW},
    {u"cbool", 1, 1, false, CBool},
    {u"cdbl", 1, 1, false, CDbl},
    {u"chr", 1, 1, false, Chr},
    {u"chrw", 1, 1, false, ChrW},
    {u"cint", 1, 1, false, CInt},
    {u"clng", 1, 1, false, CLng},
    {u"createobject", 1, 2, false, CreateObject},
    {u"cstr", 1, 1, false, CStr},
    {u"hex", 1, 1, false, Hex},
    {u"instr", 2, 4, false, InStr},
    {u"isempty", 1, 1, true, IsEmpty},
    {u"isnull", 1, 1, true, IsNull},
    {u"isnumeric", 1, 1, false, IsNumeric},
    {u"isobject", 1, 1, true, IsObject},
    {u"lcase", 1, 1, false, MapChars<FoldChar>},
    {u"left", 2, 2, false, Left},
    {u"len", 1, 1, false, Len},
    {u"ltrim", 1, 1, false, TrimSpaces<true, false>},
    {u"mid", 2, 3, false, Mid},
    {u"replace", 3, 6, false, Replace},
    {u"right", 2, 2, false, Right},
    {u"rtrim", 1, 1, false, TrimSpaces<false, true>},
    {u"trim", 1, 1, false, TrimSpaces<true, true>},
    {u"typename", 1, 1, true, TypeName},
    {u"ucase", 1, 1, false, MapChars<UpperChar>},
}};

} // namespace

const Builtin* FindBuiltin(std::u16string_view name)
{
    std::u16string folded = FoldCase(name);
    for (const Builtin& b : kBuiltins)
        if (b.name == folded)
            return &b;
    return nullptr;
}

std::optional<Variant> FindConstant(std::u16string_view name)
{
    std::u16string n = FoldCase(name);
    if (n == u"vbcr") return MakeString(u"\r");
    if (n == u"vblf") return MakeString(u"\n");
    if (n == u"vbcrlf" || n == u"vbnewline") return MakeString(u"\r\n");
    if (n == u"vbtab") return MakeString(u"\t");
    if (n == u"vbnullstring") return MakeString(u"");
    if (n == u"vbnullchar") return MakeString(std::u16string(1, u'\0'));
    if (n == u"vbtrue") return MakeInteger(-1);
    if (n == u"vbfalse") return MakeInteger(0);
    if (n == u"vbbinarycompare") return MakeInteger(0);
    if (n == u"vbtextcompare") return MakeInteger(1);
    if (n == u"vbobjecterror") return MakeLong(static_cast<LONG>(0x80040000u));
    return std::nullopt;
}

Variant CreateObjectByName(std::u16string_view progId)
{
    std::u16string name(progId);
    CLSID clsid{};
    HRESULT hr = !name.empty() && name[0] == u'{' ? CLSIDFromString(name.c_str(), &clsid)
                                                  : CLSIDFromProgID(name.c_str(), &clsid);
    ComPtr<IDispatch> object;
    if (SUCCEEDED(hr))
        hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IDispatch::iid, object.OutVoid());
    if (FAILED(hr))
        throw ScriptError(ErrNumberFromResult(hr), std::u16string(kHostSource),
                          SystemErrorText(hr) + u": '" + name + u"'", ErrorOrigin::System);
    return Variant::FromDispatch(object.Get());
}

} // namespace script
