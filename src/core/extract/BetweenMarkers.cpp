#include "BetweenMarkers.h"

#include "core/app/Latin1.h"

#include <cstring>
#include <vector>

BetweenMarkers::BetweenMarkers(QByteArrayView text, QStringView startMarker, QStringView endMarker)
    : m_text(text)
    , m_start(startMarker)
    , m_end(Latin1::fromString(endMarker))
{
    // An end marker that no 8-bit text can hold, or an empty one, closes no
    // piece, so the whole text is the dropped last piece.
    if (m_end && m_end->isEmpty())
        m_end.reset();
    if (m_end) {
        // The longest proper start of Y that is also its end (the
        // Knuth-Morris-Pratt failure length of the whole of Y).
        const QByteArray &y = *m_end;
        std::vector<qsizetype> failure(size_t(y.size()), 0);
        qsizetype border = 0;
        for (qsizetype i = 1; i < y.size(); ++i) {
            while (border > 0 && y[i] != y[border])
                border = failure[size_t(border - 1)];
            if (y[i] == y[border])
                ++border;
            failure[size_t(i)] = border;
        }
        m_endStandsAlone = border == 0;
    }
}

namespace {
// The start of the last occurrence of needle that lies wholly in
// text[from, to), or -1.
qsizetype lastOccurrence(QByteArrayView text, qsizetype from, qsizetype to, QByteArrayView needle)
{
    const qsizetype m = needle.size();
    const char last = needle.back();
    const char *const begin = text.data();
    qsizetype end = to; // the search for the needle's last byte runs below end
    while (end - from >= m) {
        const void *hit = memrchr(begin + from + m - 1, last, size_t(end - (from + m - 1)));
        if (!hit)
            return -1;
        const qsizetype at = static_cast<const char *>(hit) - begin - (m - 1);
        if (std::memcmp(begin + at, needle.data(), size_t(m)) == 0)
            return at;
        end = at + m - 1;
    }
    return -1;
}
} // namespace

std::optional<QByteArrayView> BetweenMarkers::next()
{
    if (!m_end)
        return std::nullopt;
    if (!m_endStandsAlone)
        return nextPieceByPiece();
    // The next X decides where the next result can be: the piece that holds
    // it begins after the last Y before it, and ends at the first Y after
    // that. A text without X costs one search for X and nothing else.
    const QByteArrayView y = *m_end;
    while (m_pieceStart <= m_text.size()) {
        const qsizetype x = m_start.indexIn(m_text, m_pieceStart);
        if (x < 0)
            break;
        const qsizetype lastY = lastOccurrence(m_text, m_pieceStart, x, y);
        const qsizetype pieceStart = lastY < 0 ? m_pieceStart : lastY + y.size();
        const qsizetype endAt = m_text.indexOf(y, pieceStart);
        if (endAt < 0)
            break;
        m_pieceStart = endAt + y.size();
        // A Y that begins before the X ends (across it or just after its
        // start) leaves no X in the piece: the first X after it is looked
        // for next.
        if (x + m_start.size() <= endAt)
            return m_text.sliced(x, endAt - x);
    }
    m_pieceStart = m_text.size() + 1;
    return std::nullopt;
}

std::optional<QByteArrayView> BetweenMarkers::nextPieceByPiece()
{
    while (m_pieceStart <= m_text.size()) {
        const qsizetype endAt = m_text.indexOf(*m_end, m_pieceStart);
        if (endAt < 0) {
            m_pieceStart = m_text.size() + 1;
            return std::nullopt;
        }
        const QByteArrayView piece = m_text.sliced(m_pieceStart, endAt - m_pieceStart);
        m_pieceStart = endAt + m_end->size();
        const qsizetype startAt = m_start.indexIn(piece);
        if (startAt >= 0)
            return piece.sliced(startAt);
    }
    return std::nullopt;
}

std::vector<QByteArrayView> ExtractBetweenMarkers(QByteArrayView text, QStringView startMarker, QStringView endMarker)
{
    std::vector<QByteArrayView> results;
    BetweenMarkers cutter(text, startMarker, endMarker);
    while (const std::optional<QByteArrayView> result = cutter.next())
        results.push_back(*result);
    return results;
}
