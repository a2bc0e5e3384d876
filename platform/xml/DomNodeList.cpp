#include "platform/xml/DomNodeList.h"

#include "platform/xml/DomCall.h"

namespace xmldom {

namespace {
const CoClassDescription NodeListClass = {
    "DOMNodeList", MakeGuid("{C8624332-7BB6-4E21-AF4E-8806CFE61CDE}"), nullptr, nullptr, nullptr,
    &IXMLDOMNodeList_Interface, nullptr};
} // namespace

const CoClassDescription& DomNodeList::CoClass() { return NodeListClass; }

HRESULT DomNodeList::get_item(LONG index, IXMLDOMNode** listItem)
{
    return DomCall(IXMLDOMNodeList::iid, [&] {
        ClearOut(listItem);
        if (index < 0 || static_cast<size_t>(index) >= nodes_.size())
            return S_FALSE;
        TreeLock lock(*from_.tree);
        *listItem = WrapNode(from_, nodes_[static_cast<size_t>(index)]).Detach();
        return S_OK;
    });
}

HRESULT DomNodeList::get_length(LONG* listLength)
{
    return DomCall(IXMLDOMNodeList::iid, [&] {
        ClearOut(listLength);
        *listLength = static_cast<LONG>(nodes_.size());
        return S_OK;
    });
}

} // namespace xmldom
