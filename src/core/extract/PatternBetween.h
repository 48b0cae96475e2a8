#pragma once

#include "PatternMatcher.h"

#include <QByteArrayView>

#include <optional>

// Extract Between X and Y with both markers regular expressions: the text
// is cut at every (non-empty) match of Y, left to right, without overlap;
// the piece after the last cut is dropped; each other piece gives the part
// from the first match of X in it to its end, and a piece without one gives
// nothing. Results are views into the text.
//
// When the engine gives up on the text, next() returns nothing and gaveUp()
// says so.
class PatternBetween
{
public:
    PatternBetween(QByteArrayView text, const PatternMatcher &start, const PatternMatcher &end);

    std::optional<QByteArrayView> next();
    bool gaveUp() const { return m_gaveUp; }

private:
    QByteArrayView m_text;
    const PatternMatcher &m_start;
    const PatternMatcher &m_end;
    qsizetype m_pieceStart = 0;
    qsizetype m_searchFrom = 0;
    bool m_done = false;
    bool m_gaveUp = false;
};
