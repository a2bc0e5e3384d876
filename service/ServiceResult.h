// The outcome of one exchange with the quiz service.
#pragma once

#include "service/XmlStuff.h"

#include <cstdint>
#include <string>

namespace Tessaly {

// A value type, copied freely. Codes the pipeline produces: 0 success (or the
// service's own error_code), -1 transport failure, unparsable reply or SOAP
// fault, -2 taken by Request::FromXmlNode, -3 no response element, -4 a
// response element without error_code.
struct ServiceResult {
    std::int32_t ErrorCode = 0;
    std::string ErrorText;
    // The parsed reply, kept alive by every copy of the result; empty when
    // no reply was parsed.
    XmlStuff::DocumentPtr Reply;
};

} // namespace Tessaly
