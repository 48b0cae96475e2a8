#pragma once

#include <QByteArrayView>

#include <vector>

// Where one line of a buffer lies, without its line end.
struct LineSpan
{
    qsizetype offset = 0;
    qsizetype length = 0;
};

// Splits 8-bit text into lines. CR LF, LF alone and CR alone each end a
// line; a line end at the very end adds no further line; an empty text is
// one empty line. Works on the whole buffer with memchr, no copies.
std::vector<LineSpan> splitLines(QByteArrayView text);
