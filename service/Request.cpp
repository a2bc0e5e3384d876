#include "service/Request.h"

#include "service/ServiceDom.h"
#include "service/TsServiceException.h"

namespace Tessaly {

XmlStuff::ElementPtr Request::ToXmlNode(XmlStuff::DocumentPtr document)
{
    if (!document)
        document = XmlStuff::CreateDocument();
    XmlStuff::ElementPtr element = Dom::CreateElement(document, "request");
    Dom::SetAttribute(element, "user_name", credentials_.UserName);
    Dom::SetAttribute(element, "password", credentials_.Password);
    return element;
}

XmlStuff::ElementPtr Request::ToXmlNodeDeep(XmlStuff::DocumentPtr document)
{
    return ToXmlNode(std::move(document));
}

void Request::FromXmlNode(XmlStuff::NodePtr)
{
    throw TsServiceException(ServiceResult{-2, "Request::FromXmlNode not implemented", {}});
}

} // namespace Tessaly
