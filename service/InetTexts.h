// The transport's message tables: error texts by code and HTTP reason texts.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace InetStuff {

struct MessageText {
    std::uint32_t code;
    const char* text;
};

// Error codes of the transport. The numbers are those of the platform's
// Internet client API, so messages built from them read as they always have.
namespace InetError {
inline constexpr std::uint32_t OutOfHandles = 12001;
inline constexpr std::uint32_t Timeout = 12002;
inline constexpr std::uint32_t InternalError = 12004;
inline constexpr std::uint32_t InvalidUrl = 12005;
inline constexpr std::uint32_t UnrecognizedScheme = 12006;
inline constexpr std::uint32_t NameNotResolved = 12007;
inline constexpr std::uint32_t OperationCancelled = 12017;
inline constexpr std::uint32_t CannotConnect = 12029;
inline constexpr std::uint32_t ConnectionAborted = 12030;
inline constexpr std::uint32_t ConnectionReset = 12031;
inline constexpr std::uint32_t CertificateDateInvalid = 12037;
inline constexpr std::uint32_t CertificateInvalid = 12038;
// No table row: reported as "HttpSendRequest: Error: 12045".
inline constexpr std::uint32_t CertificateAuthorityInvalid = 12045;
inline constexpr std::uint32_t InvalidServerResponse = 12152;
// No table row: a failed TLS handshake that is not about the certificate.
inline constexpr std::uint32_t SecureChannelError = 12157;
} // namespace InetError

extern const MessageText InetErrorTextRows[59];
extern const MessageText HttpStatusTextRows[38];

inline constexpr std::span<const MessageText> InetErrorTexts{InetErrorTextRows};
inline constexpr std::span<const MessageText> HttpStatusTexts{HttpStatusTextRows};

// The text of the first row with the code, searched from the first row;
// nullptr when no row has it.
const char* LookupText(std::span<const MessageText> table, std::uint32_t code);

// The reason text of a status for the "Error %s accessing %s" message: the
// row of HttpStatusTexts, or "unknown status <code>" for one it lacks.
std::string StatusText(long status);

} // namespace InetStuff
