// Who is asking the quiz service, and where it lives.
#pragma once

#include <string>

namespace Tessaly {

// Narrow strings in the ANSI code page, as the user object holds them.
struct UserCredentials {
    std::string UserName;
    std::string Password; // sent in clear text inside every request body
    std::string ServerURL; // the full http or https URL every request is posted to
};

} // namespace Tessaly
