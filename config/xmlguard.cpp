#include "config/xmlguard.h"

#include <QByteArrayView>

namespace Ptx {

namespace {

// Skips past the end of a construct that holds no markup (comment, CDATA section,
// processing instruction); the text's end when it is not closed.
qsizetype pastEnd(const QByteArray &text, qsizetype from, const char *end)
{
    const qsizetype at = text.indexOf(end, from);
    return at < 0 ? text.size() : at + qsizetype(qstrlen(end));
}

struct Tag {
    qsizetype end = 0;      // the index after its ">"
    int equals = 0;         // "=" outside quoted values: its attributes
    bool bracket = false;   // "[" outside quoted values: a declaration's internal subset
    bool selfClosing = false;
};

// A tag from its "<" to the ">" that is not inside a quoted value.
Tag scanTag(const QByteArray &text, qsizetype from)
{
    Tag tag;
    char quote = 0;
    char last = 0;
    for (qsizetype i = from + 1; i < text.size(); ++i) {
        const char c = text.at(i);
        if (quote) {
            if (c == quote)
                quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '=') {
            ++tag.equals;
        } else if (c == '[') {
            tag.bracket = true;
        } else if (c == '>') {
            tag.end = i + 1;
            tag.selfClosing = last == '/';
            return tag;
        }
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
            last = c;
    }
    tag.end = text.size();
    return tag;
}

} // namespace

QString xmlShapeProblem(const QByteArray &text)
{
    int depth = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        i = text.indexOf('<', i);
        if (i < 0)
            break;
        const QByteArrayView head = QByteArrayView(text).sliced(i);
        if (head.startsWith("<!--")) {
            i = pastEnd(text, i + 4, "-->");
        } else if (head.startsWith("<![CDATA[")) {
            i = pastEnd(text, i + 9, "]]>");
        } else if (head.startsWith("<?")) {
            i = pastEnd(text, i + 2, "?>");
        } else {
            const Tag tag = scanTag(text, i);
            if (head.startsWith("<!")) {
                // Entities declared here could put any amount of markup into the document.
                if (tag.bracket)
                    return QStringLiteral("declarations inside the document type");
            } else if (head.startsWith("</")) {
                depth = qMax(0, depth - 1);
            } else {
                if (tag.equals > MaxXmlAttributes)
                    return QStringLiteral("more than %1 attributes on one element").arg(MaxXmlAttributes);
                if (!tag.selfClosing && ++depth > MaxXmlDepth)
                    return QStringLiteral("nested deeper than %1 elements").arg(MaxXmlDepth);
            }
            i = tag.end;
        }
    }
    return QString();
}

} // namespace Ptx
