// One exchange with the quiz service, used by every operation.
#pragma once

#include "service/ServiceResult.h"
#include "service/UserCredentials.h"
#include "service/XmlStuff.h"

#include <string>

namespace Tessaly {

// Posts the body (the serialised operation element, ANSI text) to the user's
// server with the SOAP action and the library time-out, parses the reply and
// checks it. Transport failures and replies that do not parse come back as
// code -1 with their text; failures of the XML component and exhausted
// memory are thrown.
ServiceResult CallService(const UserCredentials& user, const std::string& soapAction, const std::string& body);

// Decodes a parsed reply (with "SOAP-ENV" bound for XPath): a SOAP fault, the
// response element's error_code and error_text, or the lack of one. A fault
// without faultcode or faultstring throws PlatformError(E_POINTER); an
// error_code that is not a 32-bit number throws the conversion's PlatformError.
ServiceResult CheckReply(const XmlStuff::DocumentPtr& reply);

} // namespace Tessaly
