#include "LineSplitter.h"

#include "core/app/EventPump.h"

#include <algorithm>
#include <cstring>

namespace {
// The next occurrence of byte in [from, end), or end. A long search goes in
// windows of a few megabytes and yields between them, so that a huge file
// without line ends does not hold the window.
const char *findByte(const char *from, const char *end, char byte)
{
    constexpr std::ptrdiff_t Window = 2 << 20;
    while (from < end) {
        const std::ptrdiff_t length = std::min(Window, end - from);
        if (const void *hit = std::memchr(from, byte, static_cast<size_t>(length)))
            return static_cast<const char *>(hit);
        from += length;
        if (from < end)
            EventPump::yield();
    }
    return end;
}
} // namespace

std::vector<LineSpan> splitLines(QByteArrayView text)
{
    std::vector<LineSpan> lines;
    const char *const begin = text.data();
    const char *const end = begin + text.size();
    if (text.isEmpty()) {
        lines.push_back({ 0, 0 });
        return lines;
    }

    // Track the next LF and the next CR separately; each is searched again
    // only after the scan has passed it, so the whole text is read once.
    const char *nextLf = findByte(begin, end, '\n');
    const char *nextCr = findByte(begin, end, '\r');
    const char *lineStart = begin;
    // Splitting a very large text takes a while: yield every few megabytes.
    constexpr std::ptrdiff_t YieldEvery = 2 << 20;
    const char *nextYield = begin + YieldEvery;
    while (lineStart < end) {
        if (lineStart >= nextYield) {
            EventPump::yield();
            nextYield = lineStart + YieldEvery;
        }
        if (nextLf < lineStart)
            nextLf = findByte(lineStart, end, '\n');
        if (nextCr < lineStart)
            nextCr = findByte(lineStart, end, '\r');
        const char *lineEnd = nextLf < nextCr ? nextLf : nextCr;
        lines.push_back({ lineStart - begin, lineEnd - lineStart });
        if (lineEnd == end)
            break;
        const char *next = lineEnd + 1;
        if (*lineEnd == '\r' && next < end && *next == '\n')
            ++next;
        lineStart = next;
    }
    return lines;
}
