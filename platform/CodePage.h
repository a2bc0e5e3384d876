// Code-page conversion. The ANSI code page is Windows-1252, fixed; a
// character it cannot hold becomes the default character '?'.
#pragma once

#include "platform/Types.h"

#include <string>
#include <string_view>

constexpr UINT CP_ACP = 0;
constexpr UINT CP_1252 = 1252;
constexpr UINT CP_UTF8 = 65001;

// The platform's signatures: a negative length means zero-terminated input
// (the terminator is then converted too); capacity 0 asks for the size.
// Returns the number of units written (or needed), 0 on failure.
int MultiByteToWideChar(UINT codePage, DWORD flags, const char* source, int sourceLength, OLECHAR* target,
                        int capacity);
int WideCharToMultiByte(UINT codePage, DWORD flags, const OLECHAR* source, int sourceLength, char* target,
                        int capacity, const char* defaultChar, BOOL* usedDefaultChar);

// Convenience forms for whole strings.
std::u16string AnsiToWide(std::string_view text);
std::string WideToAnsi(std::u16string_view text);
std::u16string Utf8ToWide(std::string_view text);   // invalid sequences become U+FFFD
std::string WideToUtf8(std::u16string_view text);   // lone surrogates become U+FFFD
std::string AnsiToUtf8(std::string_view text);
std::string Utf8ToAnsi(std::string_view text);
