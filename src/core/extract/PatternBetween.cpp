#include "PatternBetween.h"

PatternBetween::PatternBetween(QByteArrayView text, const PatternMatcher &start, const PatternMatcher &end)
    : m_text(text)
    , m_start(start)
    , m_end(end)
{ }

std::optional<QByteArrayView> PatternBetween::next()
{
    while (!m_done) {
        // The next cut: the next non-empty match of Y.
        qsizetype cutStart = 0;
        qsizetype cutEnd = 0;
        PatternMatcher::Outcome outcome;
        for (;;) {
            outcome = m_end.find(m_text, m_searchFrom, cutStart, cutEnd);
            if (outcome != PatternMatcher::Outcome::Match || cutEnd > cutStart)
                break;
            m_searchFrom = cutEnd + 1;
            if (m_searchFrom > m_text.size()) {
                outcome = PatternMatcher::Outcome::NoMatch;
                break;
            }
        }
        if (outcome != PatternMatcher::Outcome::Match) {
            m_gaveUp = outcome == PatternMatcher::Outcome::GaveUp;
            m_done = true;
            break;
        }
        const QByteArrayView piece = m_text.sliced(m_pieceStart, cutStart - m_pieceStart);
        m_pieceStart = cutEnd;
        m_searchFrom = cutEnd;
        qsizetype xStart = 0;
        qsizetype xEnd = 0;
        const PatternMatcher::Outcome x = m_start.find(piece, 0, xStart, xEnd);
        if (x == PatternMatcher::Outcome::Match)
            return piece.sliced(xStart);
        if (x == PatternMatcher::Outcome::GaveUp) {
            m_gaveUp = true;
            m_done = true;
        }
    }
    return std::nullopt;
}
