// A list of nodes taken when it was asked for: a node's children or the
// matches of a selection, in document order.
#pragma once

#include "platform/xml/DomNode.h"

#include <vector>

namespace xmldom {

class DomNodeList final : public DispatchObject<DomNodeList, IXMLDOMNodeList> {
public:
    static const CoClassDescription& CoClass();

    void Bind(ComPtr<IXMLDOMDocument2> owner, NodeRef from, std::vector<xmlNodePtr> nodes)
    {
        owner_ = std::move(owner);
        from_ = std::move(from);
        nodes_ = std::move(nodes);
    }

    // An index outside the list gives no node and S_FALSE.
    HRESULT get_item(LONG index, IXMLDOMNode** listItem) override;
    HRESULT get_length(LONG* listLength) override;

private:
    ComPtr<IXMLDOMDocument2> owner_;
    NodeRef from_; // the tree and document object the nodes belong to
    std::vector<xmlNodePtr> nodes_;
};

} // namespace xmldom
