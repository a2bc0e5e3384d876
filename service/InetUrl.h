// Splitting a service URL into the parts the transport uses.
#pragma once

#include "service/InetException.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace InetStuff {

struct InetUrl {
    std::string scheme;   // as written
    std::string host;     // IPv6 addresses keep their brackets
    std::uint16_t port;   // the URL's port, or 80/443 by scheme when it gives none (or 0)
    std::string path;     // "/" when the URL has none; query and fragment are not part of it
    bool secure;          // scheme https, compared without regard to case
    // Split off and never sent.
    std::string userName;
    std::string password;
    std::string extra;    // query and fragment

    // The URL that goes on the wire: scheme, host, port and path only, with
    // blanks and 8-bit bytes of the path percent-encoded.
    std::string RequestUrl() const;
};

// Throws InetException with "The URL is invalid." for an empty or relative
// URL, a missing host, control characters, or a port that is not a number
// from 0 to 65535; with "The URL scheme could not be recognized or is not
// supported." for a scheme other than http and https.
InetUrl CrackUrl(std::string_view url);

} // namespace InetStuff
