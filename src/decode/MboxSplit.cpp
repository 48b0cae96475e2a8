#include "decode/MboxSplit.h"

#include "decode/HeaderSection.h"

namespace MboxSplit {

namespace {

qsizetype pastFirstLine(QByteArrayView bytes, qsizetype from)
{
    const qsizetype lineEnd = bytes.indexOf('\n', from);
    return lineEnd < 0 ? bytes.size() : lineEnd + 1;
}

} // namespace

Span single(QByteArrayView bytes)
{
    Span span;
    span.end = bytes.size();
    if (HeaderSection::beginsWithFromLine(bytes))
        span.headerStart = pastFirstLine(bytes, 0);
    return span;
}

std::vector<Span> split(QByteArrayView bytes)
{
    std::vector<Span> spans;
    qsizetype start = 0;
    qsizetype search = 0;
    while (start < bytes.size()) {
        Span span;
        span.separatorStart = start;
        span.headerStart = pastFirstLine(bytes, start);
        span.end = bytes.size();
        qsizetype next = -1;
        search = span.headerStart;
        while ((search = bytes.indexOf("\nFrom ", search)) >= 0) {
            const QByteArrayView before = bytes.first(search);
            if (before.endsWith('\n') || before.endsWith("\n\r")) {
                next = search + 1;
                // The message ends after its last line end, before the empty line.
                span.end = before.endsWith('\n') ? search : search - 1;
                break;
            }
            ++search;
        }
        spans.push_back(span);
        if (next < 0)
            break;
        start = next;
    }
    return spans;
}

} // namespace MboxSplit
