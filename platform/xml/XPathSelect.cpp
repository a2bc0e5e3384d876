#include "platform/xml/XPathSelect.h"

#include "platform/xml/DomError.h"

#include <libxml/xpathInternals.h>

#include <memory>
#include <set>

namespace xmldom {

namespace {

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

DomError BadNamespaces(const std::string& why)
{
    return DomError(E_INVALIDARG, "SelectionNamespaces: " + why);
}

struct CompiledDeleter {
    void operator()(xmlXPathCompExprPtr compiled) const { xmlXPathFreeCompExpr(compiled); }
};
struct ObjectDeleter {
    void operator()(xmlXPathObjectPtr object) const { xmlXPathFreeObject(object); }
};

// Collects the first XPath error of one selection.
struct XPathErrors {
    std::string message;
    static void Collect(void* sink, xmlErrorPtr error)
    {
        auto* self = static_cast<XPathErrors*>(sink);
        if (self->message.empty() && error && error->message) {
            self->message = error->message;
            while (!self->message.empty() && (self->message.back() == '\n' || self->message.back() == ' '))
                self->message.pop_back();
        }
    }
};

DomError BadExpression(const std::string& expression, const XPathErrors& errors)
{
    std::string text = "The XPath expression '" + expression + "' cannot be evaluated";
    if (!errors.message.empty())
        text += ": " + errors.message;
    return DomError(E_INVALIDARG, text);
}

} // namespace

NamespaceBindings ParseSelectionNamespaces(std::string_view text)
{
    NamespaceBindings bindings;
    std::set<std::string> prefixes;
    size_t at = 0;
    auto skipSpace = [&] {
        while (at < text.size() && IsSpace(text[at]))
            ++at;
    };
    for (skipSpace(); at < text.size(); skipSpace()) {
        if (text.substr(at, 5) != "xmlns")
            throw BadNamespaces("expected a declaration xmlns:prefix='namespace' at '" +
                                std::string(text.substr(at)) + "'");
        at += 5;
        if (at >= text.size() || text[at] == '=' || IsSpace(text[at]))
            throw BadNamespaces("a default namespace cannot be used in XPath; bind a prefix");
        if (text[at] != ':')
            throw BadNamespaces("expected a declaration xmlns:prefix='namespace'");
        ++at;
        size_t nameStart = at;
        while (at < text.size() && !IsSpace(text[at]) && text[at] != '=')
            ++at;
        std::string prefix(text.substr(nameStart, at - nameStart));
        if (prefix.empty() || xmlValidateNCName(reinterpret_cast<const xmlChar*>(prefix.c_str()), 0) != 0)
            throw BadNamespaces("'" + prefix + "' is not a valid prefix");
        skipSpace();
        if (at >= text.size() || text[at] != '=')
            throw BadNamespaces("expected '=' after xmlns:" + prefix);
        ++at;
        skipSpace();
        if (at >= text.size() || (text[at] != '\'' && text[at] != '"'))
            throw BadNamespaces("the namespace of " + prefix + " must be quoted");
        const char quote = text[at++];
        size_t end = text.find(quote, at);
        if (end == std::string_view::npos)
            throw BadNamespaces("the namespace of " + prefix + " lacks its closing quote");
        std::string uri(text.substr(at, end - at));
        at = end + 1;
        if (uri.empty())
            throw BadNamespaces("the prefix " + prefix + " needs a namespace name");
        if (!prefixes.insert(prefix).second)
            throw BadNamespaces("the prefix " + prefix + " is bound twice");
        if (at < text.size() && !IsSpace(text[at]))
            throw BadNamespaces("declarations must be separated by white space");
        bindings.emplace_back(std::move(prefix), std::move(uri));
    }
    return bindings;
}

std::vector<xmlNodePtr> SelectNodes(XmlTree& tree, xmlNodePtr context, const std::string& expression,
                                    const std::shared_ptr<const NamespaceBindings>& bindings, bool firstOnly)
{
    xmlXPathContextPtr xpath = tree.XPathContext(bindings);
    xpath->node = context;
    // The context's own error hook would get no message text; the thread's
    // handler gets it formatted.
    XPathErrors errors;
    ScopedErrorHandler collect(&errors, XPathErrors::Collect);

    std::unique_ptr<xmlXPathCompExpr, CompiledDeleter> compiled(
        xmlXPathCtxtCompile(xpath, reinterpret_cast<const xmlChar*>(expression.c_str())));
    if (!compiled)
        throw BadExpression(expression, errors);
    std::unique_ptr<xmlXPathObject, ObjectDeleter> result(xmlXPathCompiledEval(compiled.get(), xpath));
    if (!result)
        throw BadExpression(expression, errors);
    if (result->type != XPATH_NODESET)
        throw DomError(E_INVALIDARG, "The XPath expression '" + expression + "' does not select nodes");

    std::vector<xmlNodePtr> nodes;
    if (xmlNodeSetPtr set = result->nodesetval) {
        nodes.reserve(firstOnly ? 1 : static_cast<size_t>(set->nodeNr));
        for (int i = 0; i < set->nodeNr; ++i) {
            // Namespace nodes are copies owned by the result, not part of
            // the tree: they are left out.
            if (set->nodeTab[i]->type == XML_NAMESPACE_DECL)
                continue;
            nodes.push_back(set->nodeTab[i]);
            if (firstOnly)
                break;
        }
    }
    return nodes;
}

} // namespace xmldom
