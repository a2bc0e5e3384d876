// The request header of every service operation: the caller's user name and
// password as the `request` element.
#pragma once

#include "service/UserCredentials.h"
#include "service/XmlStuff.h"

namespace Tessaly {

class Request : public XmlStuff::XmlSerializer {
public:
    explicit Request(UserCredentials credentials) : credentials_(std::move(credentials)) {}

    // <request user_name="..." password="..."/>, attributes in that order;
    // a new document is created when none is given.
    XmlStuff::ElementPtr ToXmlNode(XmlStuff::DocumentPtr document) override;
    XmlStuff::ElementPtr ToXmlNodeDeep(XmlStuff::DocumentPtr document) override;
    // A request is never read back: throws TsServiceException (-2).
    void FromXmlNode(XmlStuff::NodePtr node) override;

private:
    UserCredentials credentials_;
};

} // namespace Tessaly
