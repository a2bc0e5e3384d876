#include "service/XmlText.h"

namespace XmlStuff {

namespace {

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

std::string::size_type FindNoCase(const std::string& text, const std::string& pattern,
                                  std::string::size_type from)
{
    if (from >= text.size() || pattern.size() > text.size() - from)
        return std::string::npos;
    const auto last = text.size() - pattern.size();
    for (auto pos = from; pos <= last; ++pos) {
        std::string::size_type i = 0;
        while (i < pattern.size() && LowerAscii(text[pos + i]) == LowerAscii(pattern[i]))
            ++i;
        if (i == pattern.size())
            return pos;
    }
    return std::string::npos;
}

std::string ExtractElement(const std::string& text, const std::string& name)
{
    const auto start = FindNoCase(text, "<" + name);
    if (start == std::string::npos)
        return {};

    const auto endTag = FindNoCase(text, "</" + name, start);
    if (endTag != std::string::npos) {
        const auto close = text.find('>', endTag);
        return close == std::string::npos ? text.substr(start) : text.substr(start, close + 1 - start);
    }

    const auto selfClose = text.find("/>", start);
    return selfClose == std::string::npos ? text.substr(start) : text.substr(start, selfClose + 2 - start);
}

std::string InnerText(const std::string& element)
{
    const auto nameEnd = element.find_first_of(" \t\n\r/>", 1);
    if (element.empty() || nameEnd == std::string::npos || nameEnd == 1)
        return element;
    const std::string name = element.substr(1, nameEnd - 1);

    const auto startTagEnd = element.find('>', nameEnd);
    if (startTagEnd == std::string::npos)
        return element;
    if (element[startTagEnd - 1] == '/')
        return {};

    const auto contentStart = startTagEnd + 1;
    const auto endTag = FindNoCase(element, "</" + name, contentStart);
    if (endTag == std::string::npos)
        return element;
    return element.substr(contentStart, endTag - contentStart);
}

} // namespace XmlStuff
