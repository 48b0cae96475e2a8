#include "LineCursor.h"

#include "app/EventPump.h"

#include <algorithm>
#include <cstring>

namespace {
// The next occurrence of byte at or after from, or size. A long search goes
// in windows of a few megabytes and yields between them, so that a huge
// file without line ends does not hold the window.
qsizetype findByte(QByteArrayView text, qsizetype from, char byte)
{
    constexpr qsizetype Window = 2 << 20;
    const char *const begin = text.data();
    const qsizetype size = text.size();
    while (from < size) {
        const qsizetype length = std::min(Window, size - from);
        if (const void *hit = std::memchr(begin + from, byte, size_t(length)))
            return static_cast<const char *>(hit) - begin;
        from += length;
        if (from < size)
            EventPump::yield();
    }
    return size;
}
} // namespace

LineCursor::LineCursor(QByteArrayView text)
    : m_text(text)
{ }

qsizetype LineCursor::lineEnd()
{
    if (m_end >= 0)
        return m_end;
    if (m_nextLf < m_start)
        m_nextLf = findByte(m_text, m_start, '\n');
    // A CR is looked for only up to the LF: in a file of CR LF line ends it
    // is the byte before it, in one of LF line ends there is none.
    if (m_nextCr < m_start)
        m_nextCr = m_nextLf > m_start ? findByte(m_text.first(m_nextLf), m_start, '\r') : m_nextLf;
    m_end = std::min(m_nextLf, m_nextCr);
    return m_end;
}

void LineCursor::next()
{
    const qsizetype end = lineEnd();
    qsizetype after = end + 1;
    if (end < m_text.size() && m_text[end] == '\r' && after < m_text.size() && m_text[after] == '\n')
        ++after;
    if (after >= m_text.size()) {
        // Past the buffer, or a line end at its very end: no more lines.
        m_done = true;
        return;
    }
    m_start = after;
    m_end = -1;
}

void LineCursor::moveToLineOf(qsizetype offset)
{
    if (offset <= m_start)
        return;
    // The line starts just after the last line end before the offset. The
    // last LF is searched for first, then a CR only after it.
    const char *const begin = m_text.data();
    const void *lf = memrchr(begin + m_start, '\n', size_t(offset - m_start));
    const qsizetype afterLf = lf ? static_cast<const char *>(lf) - begin + 1 : m_start;
    const void *cr = memrchr(begin + afterLf, '\r', size_t(offset - afterLf));
    const qsizetype start = cr ? static_cast<const char *>(cr) - begin + 1 : afterLf;
    if (start != m_start) {
        m_start = start;
        m_end = -1;
    }
}
