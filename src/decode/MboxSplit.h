#pragma once

#include <QByteArrayView>

#include <vector>

// Where the messages of a file lie.
namespace MboxSplit {

struct Span
{
    qsizetype separatorStart = 0; // the "From " line, if any
    qsizetype headerStart = 0; // just past that line
    qsizetype end = 0;
};

// The messages of an mbox: each begins with a "From " line at the start of
// the file or after an empty line. The empty line before a separator is the
// mbox's own and belongs to neither message.
std::vector<Span> split(QByteArrayView bytes);

// The whole file as one message, its first line a separator if it is one.
Span single(QByteArrayView bytes);

} // namespace MboxSplit
