// The SOAP 1.1 envelope around every request body.
#pragma once

#include <string>
#include <string_view>

namespace InetStuff {

inline constexpr std::string_view SoapEnvelopeHead =
    "<?xml version='1.0' encoding='UTF-8'?>\r\n"
    "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\">\r\n"
    "<SOAP-ENV:Body>\r\n";

inline constexpr std::string_view SoapEnvelopeTail =
    "</SOAP-ENV:Body>\r\n"
    "</SOAP-ENV:Envelope>\r\n";

static_assert(SoapEnvelopeHead.size() == 137);
static_assert(SoapEnvelopeTail.size() == 40);

// Head, body byte for byte, tail; no terminating zero.
inline std::string WrapInSoapEnvelope(std::string_view body)
{
    std::string request;
    request.reserve(SoapEnvelopeHead.size() + body.size() + SoapEnvelopeTail.size());
    request.append(SoapEnvelopeHead).append(body).append(SoapEnvelopeTail);
    return request;
}

} // namespace InetStuff
