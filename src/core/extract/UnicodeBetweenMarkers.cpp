#include "core/extract/UnicodeBetweenMarkers.h"

#include "core/extract/Utf8Fold.h"

#include <cstring>

UnicodeBetweenMarkers::UnicodeBetweenMarkers(QByteArrayView utf8, QStringView startMarker, QStringView endMarker)
    : m_text(utf8)
    , m_start(startMarker)
{
    // Y is compared exactly, as UTF-8; one that no decoded text can hold,
    // or an empty one, closes no piece.
    if (!endMarker.isEmpty() && Utf8Fold::lowerCodePoints(endMarker))
        m_end = endMarker.toUtf8();
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
    qsizetype end = to;
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

std::optional<QByteArrayView> UnicodeBetweenMarkers::next()
{
    if (!m_end)
        return std::nullopt;
    if (!m_endStandsAlone)
        return nextPieceByPiece();
    // The next X decides where the next result can be: its piece begins
    // after the last Y before it and ends at the first Y after that.
    const QByteArrayView y = *m_end;
    while (m_pieceStart <= m_text.size()) {
        qsizetype xLength = 0;
        const qsizetype x = m_start.indexIn(m_text, m_pieceStart, &xLength);
        if (x < 0)
            break;
        const qsizetype lastY = lastOccurrence(m_text, m_pieceStart, x, y);
        const qsizetype pieceStart = lastY < 0 ? m_pieceStart : lastY + y.size();
        const qsizetype endAt = m_text.indexOf(y, pieceStart);
        if (endAt < 0)
            break;
        m_pieceStart = endAt + y.size();
        // A Y that begins before this X ends leaves no X in the piece.
        if (x + xLength <= endAt)
            return m_text.sliced(x, endAt - x);
    }
    m_pieceStart = m_text.size() + 1;
    return std::nullopt;
}

std::optional<QByteArrayView> UnicodeBetweenMarkers::nextPieceByPiece()
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

std::vector<QByteArrayView> ExtractBetweenUnicodeMarkers(
    QByteArrayView utf8, QStringView startMarker, QStringView endMarker)
{
    std::vector<QByteArrayView> results;
    UnicodeBetweenMarkers cutter(utf8, startMarker, endMarker);
    while (const std::optional<QByteArrayView> result = cutter.next())
        results.push_back(*result);
    return results;
}
