#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <vector>

// The header section of a message as it stands in the file: its lines up to
// the first empty line, continuation lines (beginning with a blank) joined to
// the line before them.
namespace HeaderSection {

struct Line
{
    // A field: the name as written and the raw value, unfolded, without the
    // blanks after the colon and without trailing blanks. A line that is not a
    // field (no colon, or a bad name): name empty, value the unfolded line.
    QByteArray name;
    QByteArray value;
    bool isField = false;
};

// Reads the header section at the start of bytes; bodyStart receives the
// offset just past the empty line that ends it (or bytes.size()).
std::vector<Line> read(QByteArrayView bytes, qsizetype *bodyStart = nullptr);

// Whether the line is "Name: value": a name of printable characters other
// than the colon, blanks allowed only between the name and the colon.
bool isFieldLine(QByteArrayView line);

// Whether the file holds a message: its first line (after a "From " line, if
// there is one) is a header field.
bool looksLikeMessage(QByteArrayView bytes);

// Whether the bytes begin with an mbox "From " separator line.
bool beginsWithFromLine(QByteArrayView bytes);

// Removes the line breaks that fold a field; the blanks after them stay.
QByteArray unfold(QByteArrayView value);

// A field's value as the text after its colon gives it: without the blanks
// after the colon and the line end, its own trailing blanks kept.
QByteArray fieldValue(QByteArrayView afterColon);

} // namespace HeaderSection
