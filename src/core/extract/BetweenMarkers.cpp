#include "BetweenMarkers.h"

#include "app/Latin1.h"

BetweenMarkers::BetweenMarkers(QByteArrayView text, QStringView startMarker, QStringView endMarker)
    : m_text(text)
    , m_start(startMarker)
    , m_end(Latin1::fromString(endMarker))
{
    // An end marker that no 8-bit text can hold, or an empty one, closes no
    // piece, so the whole text is the dropped last piece.
    if (m_end && m_end->isEmpty())
        m_end.reset();
}

std::optional<QByteArrayView> BetweenMarkers::next()
{
    if (!m_end)
        return std::nullopt;
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
