#include "LineCursor.h"

#include "core/app/EventPump.h"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {
// The first CR or LF at or after from, or the text's size. Sixteen bytes are
// looked at per step; a long search goes in windows of a few megabytes and
// yields between them, so that a huge file without line ends does not hold
// the window.
qsizetype findLineEnd(QByteArrayView text, qsizetype from)
{
    constexpr qsizetype Window = 2 << 20;
    const auto *const begin = reinterpret_cast<const unsigned char *>(text.data());
    const qsizetype size = text.size();
    qsizetype at = from;
    qsizetype windowEnd = std::min(size, from + Window);
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
#endif
    for (;;) {
#if defined(__SSE2__)
        for (; at + 16 <= windowEnd; at += 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(begin + at));
            const unsigned ends
                = unsigned(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(bytes, cr), _mm_cmpeq_epi8(bytes, lf))));
            if (ends)
                return at + std::countr_zero(ends);
        }
#endif
        for (; at < windowEnd; ++at) {
            if (begin[at] == '\r' || begin[at] == '\n')
                return at;
        }
        if (windowEnd == size)
            return size;
        EventPump::yield();
        windowEnd = std::min(size, windowEnd + Window);
    }
}
} // namespace

LineCursor::LineCursor(QByteArrayView text)
    : m_text(text)
{ }

qsizetype LineCursor::lineEnd()
{
    if (m_end < 0)
        m_end = findLineEnd(m_text, m_start);
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
