#include "MessageText.h"

#include "core/app/Latin1.h"
#include "core/decode/MessageDecoder.h"
#include "core/extract/FileReaders.h"
#include "core/extract/Utf8Fold.h"

#include <QFileInfo>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {
// The first CR or LF in [from, end), or end. Both bytes are looked for with
// memchr in windows that grow, so that a text holding only one kind of line
// end is not read to its end for the other kind at every line.
const char *findLineEnd(const char *from, const char *end)
{
    std::ptrdiff_t window = 256;
    while (from < end) {
        const auto length = static_cast<size_t>(std::min(window, end - from));
        const void *lf = std::memchr(from, '\n', length);
        const auto *cr = static_cast<const char *>(std::memchr(from, '\r', length));
        if (lf || cr) {
            const auto *found = static_cast<const char *>(lf);
            return !found || (cr && cr < found) ? cr : found;
        }
        from += length;
        window = std::min<std::ptrdiff_t>(window * 2, 1 << 20);
    }
    return end;
}

} // namespace

MessageText::Needle::Needle(QStringView text, TextKind kind)
    : m_needle(text, kind)
    , m_empty(text.isEmpty())
    // A UTF-16 unit is at most one code point, which is at most four bytes
    // in any letter case.
    , m_longest(text.size() * (kind == TextKind::Unicode ? 4 : 1))
{ }

MessageText::MessageText()
{
    buildIndex();
}

MessageText::MessageText(QByteArray text, TextKind kind)
    : m_text(std::move(text))
    , m_kind(kind)
{
    buildIndex();
}

MessageText MessageText::fromFile(const QString &path, TextKind kind)
{
    // No yield while reading: the viewer takes well under a second even for
    // a very large file, and must not be asked for another file meanwhile.
    QByteArray bytes = readWholeFile(path, [] {});
    if (kind == TextKind::Unicode)
        bytes = MessageDecoder().decode(bytes, QFileInfo(path).fileName()).text;
    return MessageText(std::move(bytes), kind);
}

namespace {
// Where the bytes of one 64-byte block are CR or LF, as a bit mask (bit i
// for byte i): SSE2 compares sixteen bytes at once, so a text of short lines
// and one of long lines are walked equally fast.
std::uint64_t lineEndMask(const char *block)
{
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i cr = _mm_set1_epi8('\r');
    std::uint64_t mask = 0;
    for (int part = 0; part < 4; ++part) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(block + 16 * part));
        const __m128i ends = _mm_or_si128(_mm_cmpeq_epi8(bytes, lf), _mm_cmpeq_epi8(bytes, cr));
        mask |= std::uint64_t(std::uint16_t(_mm_movemask_epi8(ends))) << (16 * part);
    }
    return mask;
#else
    std::uint64_t mask = 0;
    for (int i = 0; i < 64; ++i)
        mask |= std::uint64_t(block[i] == '\n' || block[i] == '\r') << i;
    return mask;
#endif
}
} // namespace

void MessageText::buildIndex()
{
    m_lineStarts.assign(1, 0);
    m_lineCount = 1;
    m_longestLine = 0;
    const char *const text = m_text.constData();
    const qsizetype size = m_text.size();
    qsizetype lineStart = 0;
    // The LF of a CR LF pair, passed over when its CR ended the line.
    qsizetype skip = -1;
    const auto lineEndAt = [&](qsizetype at) {
        if (at == skip)
            return;
        qsizetype next = at + 1;
        if (text[at] == '\r' && next < size && text[next] == '\n')
            skip = next++;
        m_longestLine = std::max(m_longestLine, at - lineStart);
        if (next == size) {
            // A line end at the very end adds no line.
            lineStart = size;
            return;
        }
        if (m_lineCount % Stride == 0)
            m_lineStarts.push_back(next);
        ++m_lineCount;
        lineStart = next;
    };
    qsizetype block = 0;
    for (; block + 64 <= size; block += 64) {
        for (std::uint64_t mask = lineEndMask(text + block); mask; mask &= mask - 1)
            lineEndAt(block + std::countr_zero(mask));
    }
    for (qsizetype at = block; at < size; ++at) {
        if (text[at] == '\n' || text[at] == '\r')
            lineEndAt(at);
    }
    m_longestLine = std::max(m_longestLine, size - lineStart);
}

qsizetype MessageText::endOfLineAt(qsizetype start) const
{
    const char *const begin = m_text.constData();
    return findLineEnd(begin + start, begin + m_text.size()) - begin;
}

qsizetype MessageText::nextLineStart(qsizetype end) const
{
    const qsizetype size = m_text.size();
    if (end >= size)
        return -1;
    qsizetype next = end + 1;
    if (m_text[end] == '\r' && next < size && m_text[next] == '\n')
        ++next;
    return next < size ? next : -1;
}

qsizetype MessageText::lineStart(qsizetype line) const
{
    line = std::clamp<qsizetype>(line, 1, m_lineCount);
    const qsizetype kept = (line - 1) / Stride;
    qsizetype start = m_lineStarts[size_t(kept)];
    for (qsizetype walked = kept * Stride + 1; walked < line; ++walked)
        start = nextLineStart(endOfLineAt(start));
    return start;
}

QByteArrayView MessageText::lineBytes(qsizetype line) const
{
    const qsizetype start = lineStart(line);
    return QByteArrayView(m_text).sliced(start, endOfLineAt(start) - start);
}

qsizetype MessageText::lineOf(qsizetype offset) const
{
    const auto after = std::upper_bound(m_lineStarts.begin(), m_lineStarts.end(), offset);
    const qsizetype kept = (after - m_lineStarts.begin()) - 1;
    qsizetype line = kept * Stride + 1;
    qsizetype start = m_lineStarts[size_t(kept)];
    while (line < m_lineCount) {
        const qsizetype next = nextLineStart(endOfLineAt(start));
        if (next < 0 || next > offset)
            break;
        start = next;
        ++line;
    }
    return line;
}

QString MessageText::toText(QByteArrayView bytes) const
{
    return m_kind == TextKind::Unicode ? QString::fromUtf8(bytes) : Latin1::toString(bytes);
}

qsizetype MessageText::characterStartAtOrAfter(qsizetype at) const
{
    if (m_kind == TextKind::Unicode) {
        while (at < m_text.size() && Utf8Fold::isContinuation(static_cast<unsigned char>(m_text[at])))
            ++at;
    }
    return at;
}

qsizetype MessageText::characterStartAtOrBefore(qsizetype at) const
{
    if (m_kind == TextKind::Unicode) {
        while (at > 0 && at < m_text.size() && Utf8Fold::isContinuation(static_cast<unsigned char>(m_text[at])))
            --at;
    }
    return at;
}

MessageText::Hit MessageText::findNext(const Needle &needle, qsizetype from) const
{
    if (needle.isEmpty())
        return {};
    from = characterStartAtOrAfter(std::clamp<qsizetype>(from, 0, m_text.size()));
    Hit hit;
    hit.offset = needle.m_needle.indexIn(m_text, from, hit.length);
    if (hit.found() || from == 0)
        return hit;
    // Round from the start: whatever is found lies before from.
    hit.offset = needle.m_needle.indexIn(m_text, 0, hit.length);
    hit.wrapped = hit.found();
    return hit;
}

MessageText::Hit MessageText::lastHitBefore(const Needle &needle, qsizetype before) const
{
    // Searched forwards in stretches that reach further back each time, so
    // that a hit just before the position costs little. The searched view
    // ends where no occurrence starting before the position can reach.
    qsizetype window = 64 << 10;
    qsizetype stretchEnd = before;
    while (stretchEnd > 0) {
        const qsizetype stretchStart = characterStartAtOrBefore(std::max<qsizetype>(0, stretchEnd - window));
        const QByteArrayView view
            = QByteArrayView(m_text).first(std::min(m_text.size(), stretchEnd + needle.m_longest));
        Hit last;
        qsizetype from = stretchStart;
        for (;;) {
            qsizetype length = 0;
            const qsizetype at = needle.m_needle.indexIn(view, from, length);
            if (at < 0 || at >= stretchEnd)
                break;
            last.offset = at;
            last.length = length;
            from = characterStartAtOrAfter(at + 1);
        }
        if (last.found())
            return last;
        stretchEnd = stretchStart;
        window = std::min<qsizetype>(window * 2, 16 << 20);
    }
    return {};
}

MessageText::Hit MessageText::findPrevious(const Needle &needle, qsizetype before) const
{
    if (needle.isEmpty())
        return {};
    before = std::clamp<qsizetype>(before, 0, m_text.size());
    Hit hit = lastHitBefore(needle, before);
    if (hit.found() || before == m_text.size())
        return hit;
    // Round from the end: whatever is found starts at or after before.
    hit = lastHitBefore(needle, m_text.size());
    hit.wrapped = hit.found();
    return hit;
}

std::vector<MessageText::Hit> MessageText::hitsWithin(const Needle &needle, qsizetype start, qsizetype end) const
{
    std::vector<Hit> hits;
    if (needle.isEmpty())
        return hits;
    start = std::clamp<qsizetype>(start, 0, m_text.size());
    end = std::clamp<qsizetype>(end, start, m_text.size());
    // An occurrence that begins before start may still reach into it.
    qsizetype from = characterStartAtOrBefore(std::max<qsizetype>(0, start - needle.m_longest + 1));
    const QByteArrayView view = QByteArrayView(m_text).first(std::min(m_text.size(), end + needle.m_longest));
    for (;;) {
        Hit hit;
        hit.offset = needle.m_needle.indexIn(view, from, hit.length);
        if (!hit.found() || hit.offset >= end)
            break;
        if (hit.offset + hit.length > start)
            hits.push_back(hit);
        from = characterStartAtOrAfter(hit.offset + std::max<qsizetype>(hit.length, 1));
    }
    return hits;
}
