#include "workbooks/xmlstream.h"

#include <expat.h>

#include <exception>
#include <limits>
#include <new>

// Expat calls back from C: an exception of the handler is kept and raised again once the parser
// has returned, never thrown through expat's frames.
struct XmlStream::Parser {
    XML_Parser expat = nullptr;
    Handler *handler = nullptr;
    std::exception_ptr failure;
    bool doctype = false;

    void stop(std::exception_ptr e)
    {
        if (!failure)
            failure = std::move(e);
        XML_StopParser(expat, XML_FALSE);
    }
    template <class Call>
    static void guarded(void *self, Call &&call)
    {
        Parser &p = *static_cast<Parser *>(self);
        if (p.failure)
            return;
        try {
            call(*p.handler);
        } catch (...) {
            p.stop(std::current_exception());
        }
    }
    static void onStart(void *self, const XML_Char *name, const XML_Char **attributes)
    {
        guarded(self, [&](Handler &h) { h.start(localName(name), attributes); });
    }
    static void onEnd(void *self, const XML_Char *name)
    {
        guarded(self, [&](Handler &h) { h.end(localName(name)); });
    }
    static void onText(void *self, const XML_Char *text, int length)
    {
        guarded(self, [&](Handler &h) { h.text(std::string_view(text, size_t(length))); });
    }
    static void onDoctype(void *self, const XML_Char *, const XML_Char *, const XML_Char *, int)
    {
        Parser &p = *static_cast<Parser *>(self);
        p.doctype = true;
        XML_StopParser(p.expat, XML_FALSE);
    }
};

XmlStream::XmlStream(Handler &handler) : m_parser(new Parser)
{
    m_parser->handler = &handler;
    m_parser->expat = XML_ParserCreate(nullptr);
    if (!m_parser->expat) {
        delete m_parser;
        throw std::bad_alloc();
    }
    XML_SetUserData(m_parser->expat, m_parser);
    XML_SetElementHandler(m_parser->expat, Parser::onStart, Parser::onEnd);
    XML_SetCharacterDataHandler(m_parser->expat, Parser::onText);
    XML_SetStartDoctypeDeclHandler(m_parser->expat, Parser::onDoctype);
}

XmlStream::~XmlStream()
{
    XML_ParserFree(m_parser->expat);
    delete m_parser;
}

void XmlStream::feed(std::string_view bytes, bool last)
{
    // Expat takes its input in pieces counted in an int.
    constexpr size_t kMost = size_t(std::numeric_limits<int>::max() / 2);
    do {
        const std::string_view piece = bytes.substr(0, kMost);
        bytes.remove_prefix(piece.size());
        const bool final = last && bytes.empty();
        const XML_Status status = XML_Parse(m_parser->expat, piece.data(), int(piece.size()), final);
        if (m_parser->failure)
            std::rethrow_exception(m_parser->failure);
        if (m_parser->doctype)
            throw Broken(QStringLiteral("含有文档类型声明（DOCTYPE）"));
        if (status != XML_STATUS_OK) {
            if (XML_GetErrorCode(m_parser->expat) == XML_ERROR_NO_MEMORY)
                throw std::bad_alloc();
            // Expat's own words are English: the place is what helps.
            throw Broken(QStringLiteral("XML 格式错误（第 %1 行第 %2 列）")
                             .arg(XML_GetCurrentLineNumber(m_parser->expat))
                             .arg(XML_GetCurrentColumnNumber(m_parser->expat) + 1));
        }
    } while (!bytes.empty());
}

std::string_view XmlStream::localName(const char *name)
{
    // One pass over the name: its end and the start of its local part.
    const char *local = name;
    const char *end = name;
    for (; *end; ++end) {
        if (*end == ':')
            local = end + 1;
    }
    return std::string_view(local, size_t(end - local));
}

const char *XmlStream::attribute(const char **attributes, std::string_view name)
{
    for (; *attributes; attributes += 2) {
        if (localName(attributes[0]) == name)
            return attributes[1];
    }
    return nullptr;
}
