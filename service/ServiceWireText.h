// Character encoding where the request pipeline meets the HTTP transport.
//
// Inside the library text is Windows-1252 (the ANSI code page). The request
// envelope declares UTF-8 and the request says "charset=utf-8", so the body
// goes on the wire as UTF-8. Reply bytes are decoded by what they are:
//   - a UTF-8 byte-order mark, or well-formed UTF-8 (which includes plain
//     ASCII), is decoded as UTF-8, unless the reply's XML declaration names a
//     single-byte Latin encoding (ISO-8859-1, Latin-1, Windows-1252, ASCII);
//   - anything else (a declared Latin encoding, or bytes that are not valid
//     UTF-8) is taken as Windows-1252, byte for byte.
// Characters Windows-1252 cannot hold become '?', as everywhere else in the
// library. So "Zoë Ñúñez" saved by this library and served back, by this
// library's peers or by a service that stores UTF-8, loads back unchanged.
#pragma once

#include <string>
#include <string_view>

namespace Tessaly {

// The request body (ANSI) as UTF-8 bytes for the transport.
std::string BodyToWire(std::string_view ansiBody);

// The reply bytes the transport returned, as ANSI text for the XML parser.
std::string ReplyFromWire(std::string_view replyBytes);

// True when the bytes are well-formed UTF-8 (no overlong forms, surrogates
// or code points above U+10FFFF).
bool IsWellFormedUtf8(std::string_view bytes);

} // namespace Tessaly
