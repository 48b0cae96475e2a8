#pragma once

#include <QtGlobal>

#include <functional>

// For runs that walk the lines of a file in order, looking for lines that
// hold a hit of some search: instead of searching each line on its own, the
// whole buffer is searched ahead for the next hit, and every line the walk
// reaches before it is then known to hold none. A hit must lie within one
// line (searches for texts without line ends do).
class LinesWithHits
{
public:
    // nextHit(offset): the buffer offset of (a byte of) the first hit at or
    // after offset, or -1 when there is none. hitFrom takes any callable of
    // this form (asked at most once per line the walk reaches).
    using NextHit = std::function<qsizetype(qsizetype offset)>;

    // What was found no longer holds once what is searched for has changed.
    void forget() { m_known = false; }

    // The first hit at or after lineStart (the start of the line the walk
    // has reached), or -1. A hit found before is reused until the walk has
    // passed it.
    template <class Search> qsizetype hitFrom(qsizetype lineStart, const Search &nextHit)
    {
        if (!m_known || lineStart < m_from || (m_hit >= 0 && m_hit < lineStart)) {
            m_hit = nextHit(lineStart);
            m_from = lineStart;
            m_known = true;
        }
        return m_hit;
    }

private:
    bool m_known = false;
    // No hit lies in [m_from, m_hit); m_hit is one, or -1 when none follows.
    qsizetype m_from = 0;
    qsizetype m_hit = -1;
};
