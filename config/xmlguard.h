// A linear look at the shape of an XML text before the document parser sees it: the parser
// takes time that grows faster than the text with deep nesting, many attributes on one
// element and entities declared in the document itself.
#pragma once

#include <QByteArray>
#include <QString>

namespace Ptx {

// Far beyond the settings file's own three levels and no attributes.
constexpr int MaxXmlDepth = 64;
constexpr int MaxXmlAttributes = 64;

// Empty when the text may be parsed; otherwise why not ("nested deeper than 64 elements").
// Text that is not well-formed is left to the parser to refuse.
QString xmlShapeProblem(const QByteArray &text);

} // namespace Ptx
