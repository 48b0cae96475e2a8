#include "decode/HtmlText.h"

#include "decode/LibraryInit.h"
#include "decode/TextCharset.h"

#include <libxml/HTMLparser.h>
#include <libxml/tree.h>

#include <climits>
#include <initializer_list>

namespace HtmlText {

namespace {

bool nameIs(const xmlNode *node, std::initializer_list<const char *> names)
{
    for (const char *name : names)
        if (xmlStrcasecmp(node->name, reinterpret_cast<const xmlChar *>(name)) == 0)
            return true;
    return false;
}

bool isSkipped(const xmlNode *node)
{
    return nameIs(node, { "script", "style", "head", "title", "template" });
}

bool endsLine(const xmlNode *node)
{
    return nameIs(node,
        { "p", "div", "tr", "li", "h1", "h2", "h3", "h4", "h5", "h6", "table", "blockquote", "pre", "ul", "ol", "dl",
            "dt", "dd", "hr", "address", "section", "article", "header", "footer", "center" });
}

// Collects the text line by line, collapsing blanks as it goes.
class LineBuilder
{
public:
    void addText(QByteArrayView text, bool keepLineBreaks)
    {
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char c = text[i];
            if (c == '\n' && keepLineBreaks) {
                breakLine();
            } else if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f') {
                m_pendingSpace = !m_line.isEmpty();
            } else if (c == '\xC2' && i + 1 < text.size() && text[i + 1] == '\xA0') {
                // A no-break space is a blank too.
                m_pendingSpace = !m_line.isEmpty();
                ++i;
            } else {
                if (m_pendingSpace)
                    m_line.append(' ');
                m_pendingSpace = false;
                m_line.append(c);
            }
        }
    }

    // Keeps the next text apart from the last (table cells).
    void separate() { m_pendingSpace = !m_line.isEmpty(); }

    // Ends the current line; an empty one too (a br after a br).
    void breakLine()
    {
        appendLine();
        m_line.clear();
        m_pendingSpace = false;
    }

    // Ends the current line if anything is on it.
    void endLine()
    {
        if (!m_line.isEmpty())
            breakLine();
    }

    QByteArray finish()
    {
        endLine();
        while (m_out.endsWith("\n\n"))
            m_out.chop(1);
        return m_out;
    }

private:
    void appendLine()
    {
        if (m_line.isEmpty()) {
            // No empty line at the start and never two in a row.
            if (m_out.isEmpty() || m_out.endsWith("\n\n"))
                return;
        }
        m_out.append(m_line);
        m_out.append('\n');
    }

    QByteArray m_out;
    QByteArray m_line;
    bool m_pendingSpace = false;
};

// Walks the tree without recursion: deeply nested markup must not exhaust
// the stack.
QByteArray textOf(xmlNode *root)
{
    LineBuilder builder;
    int preDepth = 0;
    xmlNode *node = root;
    while (node) {
        bool descend = false;
        if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) {
            if (node->content)
                builder.addText(reinterpret_cast<const char *>(node->content), preDepth > 0);
        } else if (node->type == XML_ELEMENT_NODE) {
            if (nameIs(node, { "br" })) {
                builder.breakLine();
            } else if (!isSkipped(node)) {
                if (endsLine(node))
                    builder.endLine();
                if (nameIs(node, { "pre" }))
                    ++preDepth;
                descend = node->children != nullptr;
            }
        }
        if (descend) {
            node = node->children;
            continue;
        }
        // Leave finished elements, ending their lines, until a sibling.
        while (node && !node->next) {
            node = node->parent;
            if (!node || node == root->parent)
                return builder.finish();
            if (node->type == XML_ELEMENT_NODE) {
                if (endsLine(node))
                    builder.endLine();
                else if (nameIs(node, { "td", "th" }))
                    builder.separate();
                if (nameIs(node, { "pre" }))
                    --preDepth;
            }
        }
        if (node)
            node = node->next;
    }
    return builder.finish();
}

} // namespace

QByteArray toText(QByteArrayView utf8Html)
{
    LibraryInit::libxml();
    if (utf8Html.isEmpty())
        return {};
    // Bigger than libxml2 takes in one piece: the rest is read as plain text.
    const QByteArrayView head = utf8Html.first(qMin<qsizetype>(utf8Html.size(), INT_MAX / 2));
    // HUGE: without it the parser stops at 256 levels of nesting and the text
    // after that point is lost without a word. The tree is walked without
    // recursion, so depth costs nothing more.
    const int options
        = HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET | XML_PARSE_HUGE;
    // The text is UTF-8 already: naming the encoding keeps a <meta charset>
    // in the markup from reading it again as something else.
    htmlDocPtr doc = htmlReadMemory(head.data(), int(head.size()), nullptr, "UTF-8", options);
    QByteArray text;
    if (doc) {
        if (xmlNode *root = xmlDocGetRootElement(doc))
            text = textOf(root);
        xmlFreeDoc(doc);
    }
    if (head.size() < utf8Html.size())
        text.append(utf8Html.sliced(head.size()));
    return TextCharset::isValidUtf8(text) ? text : TextCharset::repairUtf8(text);
}

} // namespace HtmlText
