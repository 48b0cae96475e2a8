#include "MessageText.h"

#include "core/app/Latin1.h"
#include "core/decode/MessageDecoder.h"
#include "core/extract/FileReaders.h"
#include "core/extract/Utf8Fold.h"

#include <QFileInfo>

#include <algorithm>
#include <cstring>

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

// The next occurrence of byte in [from, end), or end.
const char *findByte(const char *from, const char *end, char byte)
{
    const void *hit = std::memchr(from, byte, static_cast<size_t>(end - from));
    return hit ? static_cast<const char *>(hit) : end;
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

void MessageText::buildIndex()
{
    m_lineStarts.assign(1, 0);
    m_lineCount = 1;
    m_longestLine = 0;
    const char *const begin = m_text.constData();
    const char *const end = begin + m_text.size();
    // The next LF and the next CR are tracked apart and each looked for
    // again only once the walk has passed it: the text is read once.
    const char *nextLf = findByte(begin, end, '\n');
    const char *nextCr = findByte(begin, end, '\r');
    const char *lineStart = begin;
    for (;;) {
        if (nextLf < lineStart)
            nextLf = findByte(lineStart, end, '\n');
        if (nextCr < lineStart)
            nextCr = findByte(lineStart, end, '\r');
        const char *lineEnd = std::min(nextLf, nextCr);
        m_longestLine = std::max<qsizetype>(m_longestLine, lineEnd - lineStart);
        if (lineEnd == end)
            break;
        const char *next = lineEnd + 1;
        if (*lineEnd == '\r' && next < end && *next == '\n')
            ++next;
        if (next == end)
            break;
        if (m_lineCount % Stride == 0)
            m_lineStarts.push_back(next - begin);
        ++m_lineCount;
        lineStart = next;
    }
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
