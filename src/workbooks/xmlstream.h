#pragma once

#include <QString>

#include <stdexcept>
#include <string_view>

// An XML document read as it arrives, piece by piece (expat underneath): the handler hears of
// each element and of the text between, never of the document as a whole. Element and attribute
// names are given without their namespace prefix ("x:row" is "row"). A document type declaration
// is refused: the parts of a workbook have none, and its entities are how a small file asks for
// gigabytes.
class XmlStream {
public:
    class Handler {
    public:
        virtual ~Handler() = default;
        // `attributes` holds name, value, name, value, …, then null.
        virtual void start(std::string_view name, const char **attributes) = 0;
        virtual void end(std::string_view name) = 0;
        virtual void text(std::string_view text) = 0;
    };

    // Why a document is not well-formed XML, in Chinese words (a part of a sentence).
    class Broken : public std::runtime_error {
    public:
        explicit Broken(const QString &why) : std::runtime_error(why.toStdString()), m_why(why) {}
        const QString &why() const { return m_why; }

    private:
        QString m_why;
    };

    explicit XmlStream(Handler &handler);
    ~XmlStream();
    XmlStream(const XmlStream &) = delete;
    XmlStream &operator=(const XmlStream &) = delete;

    // Feeds the next piece; `last` ends the document. Raises Broken; what the handler raises
    // passes through.
    void feed(std::string_view bytes, bool last = false);

    // The value of the attribute `name` (without prefix) in an attribute list, or null.
    static const char *attribute(const char **attributes, std::string_view name);
    // A name without its namespace prefix.
    static std::string_view localName(const char *name);

private:
    struct Parser;
    Parser *m_parser;
};
