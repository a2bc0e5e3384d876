#include "service/InetCurl.h"

#include <mutex>

namespace InetStuff {

void EnsureCurlGlobal()
{
    // libcurl is never cleaned up again: abandoned workers may still be
    // inside it while the process exits.
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

} // namespace InetStuff
