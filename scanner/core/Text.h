// Small text helpers of the form library: message formatting with printf-like
// placeholders, ASCII case folding, number items and bounded appends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace TsScanner {

// No command result or label walk may grow beyond this; a definition that asks
// for more (huge widths over huge grids) fails instead of exhausting memory.
inline constexpr std::size_t kMaxTextLength = std::size_t{1} << 24;

namespace Detail {
std::string ArgText(std::string_view text);
inline std::string ArgText(const std::string& text) { return ArgText(std::string_view(text)); }
inline std::string ArgText(const char* text) { return ArgText(std::string_view(text ? text : "")); }
std::string ArgText(char character);
std::string ArgText(long long number);
std::string ArgText(unsigned long long number);
inline std::string ArgText(int number) { return ArgText(static_cast<long long>(number)); }
inline std::string ArgText(long number) { return ArgText(static_cast<long long>(number)); }
inline std::string ArgText(unsigned number) { return ArgText(static_cast<unsigned long long>(number)); }
inline std::string ArgText(unsigned long number) { return ArgText(static_cast<unsigned long long>(number)); }

std::string Substitute(std::string_view format, const std::vector<std::string>& args);
}  // namespace Detail

// Replaces each placeholder of format (%s, %d, %ld, %c, %zu) by the next
// argument in turn; "%%" is one percent sign. Texts are taken whole, embedded
// zero bytes included, and there is no length limit.
template <typename... Args>
std::string FormatText(std::string_view format, const Args&... args)
{
    return Detail::Substitute(format, {Detail::ArgText(args)...});
}

inline char ToUpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
bool EqualsNoCase(std::string_view a, std::string_view b);
// Orders texts by their bytes with ASCII letters folded to upper case.
int CompareNoCase(std::string_view a, std::string_view b);

// The value of the item's leading decimal digits, 0 when it has none. Values
// beyond the signed 32-bit range saturate instead of wrapping.
int32_t LeadingNumber(std::string_view item);

// Appends with the kMaxTextLength guard; throws std::runtime_error past it.
void AppendBounded(std::string& out, std::string_view piece);
void AppendRepeated(std::string& out, std::size_t count, char character);

}  // namespace TsScanner
