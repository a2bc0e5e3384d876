// One libxml2 document and everything that belongs to it.
//
// Node objects hand out raw libxml2 node pointers, so no node may be freed
// while the tree lives: nodes that leave the tree (replaced children) and
// nodes created but never attached are kept as detached nodes and freed
// with the tree. Every access goes through a TreeLock.
#pragma once

#include <libxml/tree.h>
#include <libxml/xpath.h>

#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace xmldom {

// Prefix/namespace pairs bound for XPath selections.
using NamespaceBindings = std::vector<std::pair<std::string, std::string>>;

class XmlTree {
public:
    // Takes ownership of a parsed document.
    explicit XmlTree(xmlDocPtr document);
    ~XmlTree();
    XmlTree(const XmlTree&) = delete;
    XmlTree& operator=(const XmlTree&) = delete;

    // A document without any node.
    static std::shared_ptr<XmlTree> CreateEmpty();

    xmlDocPtr Document() const { return document_; }
    xmlNodePtr DocumentNode() const { return reinterpret_cast<xmlNodePtr>(document_); }

    // Keeps a node that is not (or no longer) in the tree until the tree goes.
    void KeepDetached(xmlNodePtr node) { detached_.push_back(node); }

    // The tree's XPath context with `bindings` registered; made on first use
    // and re-registered only when the bindings object changes.
    xmlXPathContextPtr XPathContext(const std::shared_ptr<const NamespaceBindings>& bindings);

    std::recursive_mutex& Mutex() { return mutex_; }

private:
    xmlDocPtr document_;
    std::vector<xmlNodePtr> detached_;
    xmlXPathContextPtr xpath_ = nullptr;
    std::shared_ptr<const NamespaceBindings> registered_;
    std::recursive_mutex mutex_;
};

// Records that the document's text is UTF-8 (so it is written as such).
void MarkUtf8(xmlDocPtr document);

// While alive, libxml2 reports errors on this thread to `handler` instead
// of standard error; the previous handler is restored afterwards.
class ScopedErrorHandler {
public:
    ScopedErrorHandler(void* context, xmlStructuredErrorFunc handler);
    ~ScopedErrorHandler();
    ScopedErrorHandler(const ScopedErrorHandler&) = delete;
    ScopedErrorHandler& operator=(const ScopedErrorHandler&) = delete;

private:
    xmlStructuredErrorFunc previous_;
    void* previousContext_;
};

// Errors on this thread go nowhere while alive.
class QuietLibxml : public ScopedErrorHandler {
public:
    QuietLibxml();
};

// Exclusive access to a tree.
class TreeLock {
public:
    explicit TreeLock(XmlTree& tree) : guard_(tree.Mutex()) {}

private:
    std::lock_guard<std::recursive_mutex> guard_;
    QuietLibxml quiet_;
};

} // namespace xmldom
