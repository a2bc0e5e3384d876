#include "service/InetException.h"

#include "service/InetTexts.h"

namespace InetStuff {

InetException::InetException(std::string_view step, std::uint32_t code)
{
    if (const char* text = LookupText(InetErrorTexts, code))
        message = text;
    else
        message = std::string(step) + ": Error: " + std::to_string(code);
}

} // namespace InetStuff
