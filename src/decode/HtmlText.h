#pragma once

#include <QByteArray>
#include <QByteArrayView>

// The plain text of an HTML part as a reader sees it, through libxml2's HTML
// parser: tags gone, script, style and head dropped, block elements and br
// ending a line, character references decoded, blanks collapsed, never two
// empty lines in a row. In and out UTF-8; lines end "\n".
namespace HtmlText {

QByteArray toText(QByteArrayView utf8Html);

} // namespace HtmlText
