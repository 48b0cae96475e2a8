#pragma once

#include <QByteArrayView>

// Walks the lines of a buffer in order without splitting it first: the end
// of a line is found when the walk reaches it, and a search that finds a hit
// further on can move the walk straight to the hit's line. The lines are
// those the line splitter gives: CR LF, LF alone and CR alone each end a
// line; a line end at the very end adds no further line; an empty text is
// one empty line.
//
// A line's end is looked for from its start, so walking every line reads
// the buffer once. The current line's number is counted only when asked
// for, over the bytes passed since it was last asked for.
class LineCursor
{
public:
    explicit LineCursor(QByteArrayView text);

    // Whether the walk stands at a line (false once past the last one).
    bool atLine() const { return !m_done; }
    // Where the current line starts in the buffer, and where it ends (the
    // offset of its line end, or the buffer's size).
    qsizetype lineStart() const { return m_start; }
    qsizetype lineEnd();
    QByteArrayView line() { return m_text.sliced(m_start, lineEnd() - m_start); }
    // The current line's number, from 1.
    qint64 lineNumber();

    // On to the next line.
    void next();
    // On to the line that holds the byte at offset (at or after the current
    // line's start, before the buffer's end).
    void moveToLineOf(qsizetype offset);
    // Past the last line.
    void finish() { m_done = true; }
    // On to the line of the next hit of a search (an offset, or -1 for none
    // left): past the last line when there is none.
    void moveToHit(qsizetype hit)
    {
        if (hit < 0)
            finish();
        else
            moveToLineOf(hit);
    }

private:
    QByteArrayView m_text;
    qsizetype m_start = 0;
    qsizetype m_end = -1; // the current line's end once known, else -1
    bool m_done = false;
    // The number of the line that starts at m_numberedStart.
    qint64 m_number = 1;
    qsizetype m_numberedStart = 0;
};

// How many lines end in text[from, to): each LF, and each CR that no LF
// follows (a CR LF pair ends its line once, at its LF). Counted a vector of
// bytes at a time; a long stretch yields now and then.
qint64 countLineEnds(QByteArrayView text, qsizetype from, qsizetype to);

// The number (from 1) of the line that holds the byte at an offset, for
// offsets asked for in increasing order: each is counted on from the one
// before (an earlier offset is counted again from the start). A line end
// belongs to the line it ends.
class LineNumbering
{
public:
    explicit LineNumbering(QByteArrayView text)
        : m_text(text)
    { }

    qint64 lineOf(qsizetype offset);
    // The line of a piece that lies in the text.
    qint64 lineOf(QByteArrayView piece) { return lineOf(piece.data() - m_text.data()); }

private:
    QByteArrayView m_text;
    qsizetype m_offset = 0;
    qint64 m_number = 1;
};
