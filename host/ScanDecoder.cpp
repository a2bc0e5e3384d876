#include "host/ScanDecoder.h"

#include "host/script/Builtins.h"
#include "host/script/LateBinding.h"
#include "host/script/ScriptError.h"
#include "platform/CodePage.h"
#include "platform/Variant.h"

#include <exception>
#include <string>

namespace scan {

namespace {

constexpr std::u16string_view kFormProgId = u"Tsscannerlib.TsScannerForm.1";
constexpr std::u16string_view kFixed25ProgId = u"TsScannerLib.TsScannerForm25S.1";
constexpr int kFixed25Answers = 25;

ComPtr<IDispatch> Create(std::u16string_view progId)
{
    Variant object = script::CreateObjectByName(progId);
    return ComPtr<IDispatch>(object.pdispVal); // adds its own reference
}

// The text of a returned value: strings as they are, anything else through
// the platform's conversion (the score is a long).
std::string TextOf(const Variant& value)
{
    if (value.vt == VT_BSTR)
        return WideToUtf8(std::u16string_view(value.bstrVal, SysStringLen(value.bstrVal)));
    Variant text;
    if (FAILED(VariantChangeType(&text, &value, 0, VT_BSTR)))
        return {};
    return WideToUtf8(std::u16string_view(text.bstrVal, SysStringLen(text.bstrVal)));
}

char16_t LowerAscii(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

bool SameKey(std::u16string_view a, std::u16string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    return true;
}

// Runs one sheet's calls; any failure becomes the sheet's error.
template <class Body>
SheetOutcome Guarded(Body&& body)
{
    SheetOutcome outcome;
    try {
        body(outcome.fields);
    } catch (const script::ScriptError& e) {
        outcome = {};
        outcome.failed = true;
        outcome.error = WideToUtf8(e.Description());
    } catch (const std::exception& e) {
        outcome = {};
        outcome.failed = true;
        outcome.error = e.what();
    }
    return outcome;
}

class FormDecoder final : public SheetDecoder {
public:
    FormDecoder(std::string_view definition, int columns) : form_(Create(kFormProgId)), columns_(columns)
    {
        script::Arguments args{Variant::FromString(AnsiToWide(definition))};
        script::InvokeGet(form_.Get(), u"InitFromFormDefinition", args);
    }

    SheetOutcome Decode(std::string_view data) override
    {
        return Guarded([&](std::vector<Field>& fields) {
            script::Arguments args{Variant::FromString(AnsiToWide(data)), Variant::FromLong(columns_)};
            Variant result = script::InvokeGet(form_.Get(), u"ProcessScannerData", args);
            if (result.vt != VT_BSTR)
                throw std::runtime_error("the form returned no result text");
            fields = SplitResultText(std::u16string_view(result.bstrVal, SysStringLen(result.bstrVal)));
        });
    }

private:
    ComPtr<IDispatch> form_;
    int columns_;
};

class Fixed25Decoder final : public SheetDecoder {
public:
    Fixed25Decoder() : form_(Create(kFixed25ProgId)), names_(Fixed25FieldNames()) {}

    SheetOutcome Decode(std::string_view data) override
    {
        return Guarded([&](std::vector<Field>& fields) {
            script::Arguments args{Variant::FromString(AnsiToWide(data))};
            script::InvokeGet(form_.Get(), u"InitFromScannerData", args);
            static constexpr std::u16string_view kProperties[] = {u"StudentId", u"QuizId", u"QuizVersion",
                                                                  u"SubjectiveScore"};
            size_t n = 0;
            for (std::u16string_view property : kProperties) {
                script::Arguments none;
                fields.push_back({names_[n++], TextOf(script::InvokeGet(form_.Get(), property, none))});
            }
            for (int k = 1; k <= kFixed25Answers; ++k) {
                script::Arguments index{Variant::FromLong(k)};
                fields.push_back({names_[n++], TextOf(script::InvokeGet(form_.Get(), u"Answer", index))});
            }
        });
    }

private:
    ComPtr<IDispatch> form_;
    std::vector<std::string> names_;
};

} // namespace

std::vector<Field> SplitResultText(std::u16string_view result)
{
    std::vector<std::u16string> keys;
    std::vector<Field> fields;
    size_t start = 0;
    while (start <= result.size()) {
        size_t end = result.find(u'&', start);
        if (end == std::u16string_view::npos)
            end = result.size();
        std::u16string_view piece = result.substr(start, end - start);
        start = end + 1;
        size_t equals = piece.rfind(u'=');
        if (piece.empty() || equals == std::u16string_view::npos)
            continue;
        std::u16string_view key = piece.substr(0, equals);
        std::string value = WideToUtf8(piece.substr(equals + 1));
        size_t i = 0;
        while (i < keys.size() && !SameKey(keys[i], key))
            ++i;
        if (i < keys.size()) {
            fields[i].value = std::move(value);
        } else {
            keys.emplace_back(key);
            fields.push_back({WideToUtf8(key), std::move(value)});
        }
    }
    return fields;
}

std::unique_ptr<SheetDecoder> MakeFormDecoder(std::string_view definition, int columns)
{
    return std::make_unique<FormDecoder>(definition, columns);
}

std::unique_ptr<SheetDecoder> MakeFixed25Decoder() { return std::make_unique<Fixed25Decoder>(); }

std::vector<std::string> Fixed25FieldNames()
{
    std::vector<std::string> names{"StudentId", "QuizId", "QuizVersion", "SubjectiveScore"};
    for (int k = 1; k <= kFixed25Answers; ++k)
        names.push_back("A" + std::to_string(k));
    return names;
}

} // namespace scan
