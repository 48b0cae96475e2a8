#include "LinesWithHits.h"

qsizetype LinesWithHits::lineStart(qsizetype line) const
{
    return m_lines.line(line).data() - m_lines.buffer().constData();
}

qsizetype LinesWithHits::lineOf(qsizetype offset) const
{
    // The last line that starts at or before the offset.
    qsizetype low = 0;
    qsizetype high = m_lines.size();
    while (high - low > 1) {
        const qsizetype middle = low + (high - low) / 2;
        if (lineStart(middle) <= offset)
            low = middle;
        else
            high = middle;
    }
    return low;
}

qsizetype LinesWithHits::firstLineWithHit(qsizetype from, const NextHit &nextHit)
{
    if (from >= m_lines.size())
        return m_lines.size();
    if (m_known && m_knownFrom <= from && from <= m_hitLine)
        return m_hitLine;
    const qsizetype hit = nextHit(lineStart(from));
    m_knownFrom = from;
    m_hitLine = hit < 0 ? m_lines.size() : std::max(from, lineOf(hit));
    m_known = true;
    return m_hitLine;
}
