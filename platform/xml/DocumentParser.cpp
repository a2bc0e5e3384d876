#include "platform/xml/DocumentParser.h"

#include "platform/xml/XmlLimits.h"

#include <libxml/parser.h>
#include <libxml/parserInternals.h>

#include <climits>
#include <new>

namespace xmldom {

namespace {

// What the parse learned; reached from the SAX callbacks through the
// context's _private field.
struct ParseState {
    ParseFailure first; // the first error, or our own refusal
    bool failed = false;
    bool refused = false;
    int depth = 0;
    startElementNsSAX2Func startElement = nullptr;
    endElementNsSAX2Func endElement = nullptr;
};

ParseState& StateOf(void* context)
{
    return *static_cast<ParseState*>(static_cast<xmlParserCtxtPtr>(context)->_private);
}

std::string TrimmedReason(const char* message)
{
    std::string reason = message ? message : "";
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' '))
        reason.pop_back();
    return reason;
}

void OnError(void* context, xmlErrorPtr error)
{
    ParseState& state = StateOf(context);
    if (state.failed || !error || error->level < XML_ERR_ERROR)
        return;
    state.failed = true;
    state.first = {ParseErrorCode(static_cast<uint32_t>(error->code)), error->line, error->int2,
                   TrimmedReason(error->message)};
}

void Refuse(xmlParserCtxtPtr context, LONG code, std::string reason)
{
    ParseState& state = StateOf(context);
    state.refused = true;
    if (!state.failed) {
        state.failed = true;
        state.first = {code, context->input ? context->input->line : 0, context->input ? context->input->col : 0,
                       std::move(reason)};
    }
    xmlStopParser(context);
}

// Called as soon as "<!DOCTYPE name" has been read, before any declaration
// inside it: the whole document is refused there.
void OnDocumentType(void* context, const xmlChar*, const xmlChar*, const xmlChar*)
{
    Refuse(static_cast<xmlParserCtxtPtr>(context), kDocumentTypeRefused,
           "A document type declaration is not allowed");
}

void OnStartElement(void* context, const xmlChar* localName, const xmlChar* prefix, const xmlChar* uri,
                    int namespaceCount, const xmlChar** namespaces, int attributeCount, int defaultedCount,
                    const xmlChar** attributes)
{
    ParseState& state = StateOf(context);
    if (++state.depth > kMaxElementDepth) {
        Refuse(static_cast<xmlParserCtxtPtr>(context), kNestingTooDeep,
               "Elements are nested deeper than " + std::to_string(kMaxElementDepth) + " levels");
        return;
    }
    state.startElement(context, localName, prefix, uri, namespaceCount, namespaces, attributeCount,
                       defaultedCount, attributes);
}

void OnEndElement(void* context, const xmlChar* localName, const xmlChar* prefix, const xmlChar* uri)
{
    ParseState& state = StateOf(context);
    --state.depth;
    state.endElement(context, localName, prefix, uri);
}

struct ContextDeleter {
    void operator()(xmlParserCtxtPtr context) const { xmlFreeParserCtxt(context); }
};

ParseOutcome Refused(LONG code, std::string reason)
{
    ParseOutcome outcome;
    outcome.failure = {code, 0, 0, std::move(reason)};
    return outcome;
}

} // namespace

ParseOutcome ParseDocument(std::string_view utf8)
{
    if (utf8.size() > static_cast<size_t>(INT_MAX))
        return Refused(kDocumentTooLarge, "The document is too large to load");

    QuietLibxml quiet;
    std::unique_ptr<xmlParserCtxt, ContextDeleter> context(xmlNewParserCtxt());
    if (!context)
        throw std::bad_alloc();
    ParseState state;
    context->_private = &state;
    xmlSAXHandlerPtr sax = context->sax;
    sax->serror = OnError;
    sax->internalSubset = OnDocumentType;
    state.startElement = sax->startElementNs;
    state.endElement = sax->endElementNs;
    sax->startElementNs = OnStartElement;
    sax->endElementNs = OnEndElement;

    // The text is already decoded: an encoding named in its declaration is
    // ignored. No XML_PARSE_NOENT / DTDLOAD / DTDATTR / XINCLUDE: nothing is
    // substituted or fetched. HUGE lifts the fixed text and name size limits;
    // its other relaxations concern entities and depth, which are refused
    // and bounded above.
    const int options = XML_PARSE_NONET | XML_PARSE_HUGE | XML_PARSE_IGNORE_ENC;
    xmlDocPtr document = xmlCtxtReadMemory(context.get(), utf8.empty() ? "" : utf8.data(),
                                           static_cast<int>(utf8.size()), nullptr, "UTF-8", options);
    const bool accepted = document && !state.refused && context->wellFormed && context->nsWellFormed;
    if (!accepted) {
        if (document)
            xmlFreeDoc(document);
        if (state.failed && state.first.code == ParseErrorCode(XML_ERR_NO_MEMORY))
            throw std::bad_alloc();
        ParseOutcome outcome;
        outcome.failure = state.failed ? state.first
                                       : ParseFailure{ParseErrorCode(XML_ERR_INTERNAL_ERROR), 0, 0,
                                                      "The document is not well-formed"};
        return outcome;
    }
    try {
        MarkUtf8(document);
        return ParseOutcome{std::make_shared<XmlTree>(document), {}};
    } catch (...) {
        xmlFreeDoc(document);
        throw;
    }
}

} // namespace xmldom
