#include "automation/ObjectConventions.h"

#include "platform/TypeDescription.h"

namespace Automation {

std::string ClassLabel(const CoClassDescription& coclass)
{
    return coclass.name ? coclass.name : "TessalyLib";
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

std::string FormatWithText(std::string_view format, std::string_view text)
{
    const auto at = format.find("%s");
    if (at == std::string_view::npos)
        return std::string(format);
    std::string message;
    message.reserve(format.size() + text.size());
    message.append(format.substr(0, at)).append(text).append(format.substr(at + 2));
    return message;
}

std::optional<std::size_t> ResolveVariantIndex(const VARIANT& index, std::size_t count,
                                               const IdentifierLookup& find, std::string_view notFoundFormat)
{
    Variant value;
    if (FAILED(VariantCopyInd(&value, &index)))
        return std::nullopt; // not a value we can read: no member is taken
    if (value.vt == VT_BSTR) {
        if (!value.bstrVal)
            throw ComException(E_INVALIDARG, true, "The index is a null string");
        const std::string identifier = FromBstr(value.bstrVal);
        if (auto position = find(identifier))
            return position;
        throw std::runtime_error(FormatWithText(notFoundFormat, identifier));
    }
    Variant number;
    if (FAILED(VariantChangeType(&number, &value, 0, VT_INT)))
        return std::nullopt;
    CheckListIndex(number.intVal, count);
    return static_cast<std::size_t>(number.intVal);
}

} // namespace Automation
