#include "LineCursor.h"

#include "core/app/EventPump.h"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__)
#include <immintrin.h>
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

namespace {
#if defined(__x86_64__)
#define TOLLERVANE_COUNT_AVX2 1
// countLineEndsIn's blocks, thirty-two bytes a step; at is left at the first
// byte not counted.
[[gnu::target("avx2")]] qint64 countLineEndsAvx2(
    const unsigned char *bytes, qsizetype size, qsizetype &at, qsizetype to)
{
    const __m256i cr = _mm256_set1_epi8('\r');
    const __m256i lf = _mm256_set1_epi8('\n');
    const __m256i zero = _mm256_setzero_si256();
    const qsizetype lastBlock = std::min(to - 32, size - 33);
    qint64 count = 0;
    while (at <= lastBlock) {
        __m256i counters = zero;
        for (int round = 0; round < 255 && at <= lastBlock; ++round, at += 32) {
            const __m256i here = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(bytes + at));
            const __m256i next = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(bytes + at + 1));
            const __m256i ends = _mm256_or_si256(_mm256_cmpeq_epi8(here, lf),
                _mm256_andnot_si256(_mm256_cmpeq_epi8(next, lf), _mm256_cmpeq_epi8(here, cr)));
            counters = _mm256_sub_epi8(counters, ends);
        }
        const __m256i sums = _mm256_sad_epu8(counters, zero);
        count += _mm256_extract_epi64(sums, 0) + _mm256_extract_epi64(sums, 1) + _mm256_extract_epi64(sums, 2)
            + _mm256_extract_epi64(sums, 3);
    }
    return count;
}

bool haveAvx2()
{
    static const bool have = __builtin_cpu_supports("avx2");
    return have;
}
#endif

// countLineEnds over one window of the text.
qint64 countLineEndsIn(const unsigned char *bytes, qsizetype size, qsizetype from, qsizetype to)
{
    qint64 count = 0;
    qsizetype at = from;
#if defined(TOLLERVANE_COUNT_AVX2)
    if (haveAvx2())
        count += countLineEndsAvx2(bytes, size, at, to);
#endif
#if defined(__SSE2__)
    // Each block of sixteen bytes is compared with the block one byte on, so
    // that a CR is counted only when no LF follows it. The matches add up in
    // sixteen byte-wide counters, summed before any of them can overflow.
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i zero = _mm_setzero_si128();
    // The last block start that leaves its byte after it in the text.
    const qsizetype lastBlock = std::min(to - 16, size - 17);
    while (at <= lastBlock) {
        __m128i counters = zero;
        for (int round = 0; round < 255 && at <= lastBlock; ++round, at += 16) {
            const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i *>(bytes + at));
            const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i *>(bytes + at + 1));
            const __m128i ends = _mm_or_si128(
                _mm_cmpeq_epi8(here, lf), _mm_andnot_si128(_mm_cmpeq_epi8(next, lf), _mm_cmpeq_epi8(here, cr)));
            counters = _mm_sub_epi8(counters, ends);
        }
        const __m128i sums = _mm_sad_epu8(counters, zero);
        count += _mm_cvtsi128_si32(sums) + _mm_cvtsi128_si32(_mm_srli_si128(sums, 8));
    }
#endif
    for (; at < to; ++at) {
        if (bytes[at] == '\n' || (bytes[at] == '\r' && (at + 1 >= size || bytes[at + 1] != '\n')))
            ++count;
    }
    return count;
}
} // namespace

qint64 countLineEnds(QByteArrayView text, qsizetype from, qsizetype to)
{
    // A huge stretch is counted in windows of a few megabytes, with a yield
    // between them.
    constexpr qsizetype Window = 16 << 20;
    const auto *const bytes = reinterpret_cast<const unsigned char *>(text.data());
    qint64 count = 0;
    for (qsizetype at = from; at < to; at += Window) {
        if (at > from)
            EventPump::yield();
        count += countLineEndsIn(bytes, text.size(), at, std::min(to, at + Window));
    }
    return count;
}

qint64 LineNumbering::lineOf(qsizetype offset)
{
    if (offset < m_offset) {
        m_offset = 0;
        m_number = 1;
    }
    m_number += countLineEnds(m_text, m_offset, offset);
    m_offset = offset;
    return m_number;
}

LineCursor::LineCursor(QByteArrayView text)
    : m_text(text)
{ }

qsizetype LineCursor::lineEnd()
{
    if (m_end < 0)
        m_end = findLineEnd(m_text, m_start);
    return m_end;
}

qint64 LineCursor::lineNumber()
{
    if (m_numberedStart != m_start) {
        m_number += countLineEnds(m_text, m_numberedStart, m_start);
        m_numberedStart = m_start;
    }
    return m_number;
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
    // A walk that knows its line's number keeps it known at no cost.
    if (m_numberedStart == m_start) {
        ++m_number;
        m_numberedStart = after;
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
