#include "service/InetUrl.h"

#include "service/InetException.h"
#include "service/InetTexts.h"

namespace InetStuff {

namespace {

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

[[noreturn]] void Invalid() { throw InetException("InternetCrackUrl", InetError::InvalidUrl); }

bool IsHostChar(char c)
{
    return IsAlpha(c) || IsDigit(c) || c == '-' || c == '.' || c == '_' || c == '%';
}

} // namespace

InetUrl CrackUrl(std::string_view url)
{
    for (unsigned char c : url)
        if (c < 0x20 || c == 0x7F)
            Invalid();

    // scheme ":" "//" authority path ["?" query] ["#" fragment]
    const auto colon = url.find(':');
    if (colon == std::string_view::npos || colon == 0 || !IsAlpha(url[0]))
        Invalid();
    for (char c : url.substr(0, colon))
        if (!IsAlpha(c) && !IsDigit(c) && c != '+' && c != '-' && c != '.')
            Invalid();

    InetUrl result{};
    result.scheme = std::string(url.substr(0, colon));
    result.secure = EqualsNoCase(result.scheme, "https");
    if (!result.secure && !EqualsNoCase(result.scheme, "http"))
        throw InetException("InternetCrackUrl", InetError::UnrecognizedScheme);

    std::string_view rest = url.substr(colon + 1);
    if (rest.substr(0, 2) != "//")
        Invalid();
    rest.remove_prefix(2);

    const auto authorityEnd = rest.find_first_of("/?#");
    std::string_view authority = rest.substr(0, authorityEnd);
    rest = authorityEnd == std::string_view::npos ? std::string_view{} : rest.substr(authorityEnd);

    if (const auto at = authority.rfind('@'); at != std::string_view::npos) {
        const std::string_view userInfo = authority.substr(0, at);
        const auto sep = userInfo.find(':');
        result.userName = std::string(userInfo.substr(0, sep));
        if (sep != std::string_view::npos)
            result.password = std::string(userInfo.substr(sep + 1));
        authority.remove_prefix(at + 1);
    }

    std::string_view portText;
    if (!authority.empty() && authority.front() == '[') {
        const auto close = authority.find(']');
        if (close == std::string_view::npos || close == 1)
            Invalid();
        for (char c : authority.substr(1, close - 1))
            if (!IsHostChar(c) && c != ':')
                Invalid();
        result.host = std::string(authority.substr(0, close + 1));
        const std::string_view after = authority.substr(close + 1);
        if (!after.empty()) {
            if (after.front() != ':')
                Invalid();
            portText = after.substr(1);
        }
    } else {
        const auto sep = authority.find(':');
        result.host = std::string(authority.substr(0, sep));
        if (sep != std::string_view::npos)
            portText = authority.substr(sep + 1);
        for (char c : result.host)
            if (!IsHostChar(c))
                Invalid();
    }
    if (result.host.empty())
        Invalid();

    std::uint32_t port = 0;
    for (char c : portText) {
        port = port * 10 + static_cast<std::uint32_t>(c - '0');
        if (!IsDigit(c) || port > 65535)
            Invalid();
    }
    result.port = port != 0 ? static_cast<std::uint16_t>(port) : (result.secure ? 443 : 80);

    const auto extraStart = rest.find_first_of("?#");
    result.path = std::string(rest.substr(0, extraStart));
    if (extraStart != std::string_view::npos)
        result.extra = std::string(rest.substr(extraStart));
    if (result.path.empty())
        result.path.push_back('/');  // (assigning "/" trips a GCC 12 false -Wrestrict warning)
    return result;
}

std::string InetUrl::RequestUrl() const
{
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string url = secure ? "https://" : "http://";
    url += host;
    url += ':';
    url += std::to_string(port);
    for (unsigned char c : path) {
        if (c == ' ' || c >= 0x80) {
            url += '%';
            url += hex[c >> 4];
            url += hex[c & 0x0F];
        } else {
            url += static_cast<char>(c);
        }
    }
    return url;
}

} // namespace InetStuff
