#pragma once

#include "FileReaders.h"

#include <functional>

// For runs that examine the lines of a file in order, looking for lines that
// hold a hit of some search: instead of searching each line on its own, the
// whole buffer is searched ahead for the next hit, and every line before the
// hit's line is then known to hold none. A hit must lie within one line
// (searches for texts without line ends do).
class LinesWithHits
{
public:
    // nextHit(offset): the buffer offset of (a byte of) the first hit at or
    // after offset, or -1 when there is none.
    using NextHit = std::function<qsizetype(qsizetype offset)>;

    explicit LinesWithHits(const LineArray &lines)
        : m_lines(lines)
    { }

    // What was found no longer holds once what is searched for has changed.
    void forget() { m_known = false; }

    // The first line at or after line from that holds a hit, or the line
    // count when none does.
    qsizetype firstLineWithHit(qsizetype from, const NextHit &nextHit);

private:
    qsizetype lineStart(qsizetype line) const;
    qsizetype lineOf(qsizetype offset) const;

    const LineArray &m_lines;
    bool m_known = false;
    // Lines [m_knownFrom, m_hitLine) hold no hit; m_hitLine holds one, or
    // is the line count.
    qsizetype m_knownFrom = 0;
    qsizetype m_hitLine = 0;
};
