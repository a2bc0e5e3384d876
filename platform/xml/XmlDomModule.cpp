// The module's entry points: one creatable class, DOMDocument.
#include "platform/Module.h"
#include "platform/xml/DomDocument.h"

namespace {

const ModuleDescription& DescribeModule()
{
    static const ClassEntry classes[] = {{&DOMDocument_CoClass, &xmldom::DomDocument::CreateInstance}};
    static const ModuleDescription description{&TsXmlDom_TypeLib, classes, 1, &ThisModule()};
    return description;
}

} // namespace

TS_DEFINE_MODULE(DescribeModule)
