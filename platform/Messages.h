// System message texts for result codes (the role of FormatMessage), from one
// table in our own words. Texts end with "\r\n" as the platform's do.
#pragma once

#include "platform/Types.h"

#include <optional>
#include <string>

constexpr DWORD FORMAT_MESSAGE_FROM_SYSTEM = 0x1000;
constexpr DWORD FORMAT_MESSAGE_IGNORE_INSERTS = 0x200;

// The text for a result code (or a plain Win32 error number), or nullopt when
// the table has none.
std::optional<std::string> SystemMessageText(HRESULT code);

// FormatMessageA for FORMAT_MESSAGE_FROM_SYSTEM: writes the text (truncated
// to fit, always terminated) and returns its length, 0 when there is none.
DWORD FormatMessageA(DWORD flags, const void* source, DWORD messageId, DWORD languageId, char* buffer, DWORD size,
                     void* arguments);
