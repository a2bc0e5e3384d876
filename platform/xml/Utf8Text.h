// Text crosses the component boundary once: UTF-16 automation strings in,
// libxml2's UTF-8 inside, UTF-16 out.
#pragma once

#include "platform/Types.h"

#include <string>
#include <string_view>

namespace xmldom {

// A null string is empty text.
std::string Utf8FromBstr(BSTR text);

// Text that goes into the tree or into an expression. libxml2 keeps
// zero-terminated strings, so an embedded NUL would silently cut the text
// short: such text is refused with E_INVALIDARG (`what` names it).
std::string Utf8Argument(BSTR text, const char* what);

// A new BSTR for the caller; throws std::bad_alloc when it cannot be made.
BSTR BstrFromUtf8(std::string_view text);

// libxml2 strings (may be null) as views, and our strings as libxml2's.
inline std::string_view View(const unsigned char* text)
{
    return text ? std::string_view(reinterpret_cast<const char*>(text)) : std::string_view();
}
inline const unsigned char* Chars(const std::string& text)
{
    return reinterpret_cast<const unsigned char*>(text.c_str());
}

} // namespace xmldom
