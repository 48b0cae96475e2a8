#pragma once

#include "core/extract/TextKind.h"
#include "core/extract/TextNeedle.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <vector>

// One message as the viewer shows it: its 8-bit bytes, or its decoded text
// (UTF-8), kept whole in one buffer, with an index of where its lines start.
// Lines are counted as the extraction counts them: CR LF, LF alone and CR
// alone each end a line; a line end at the very end adds no line; an empty
// text is one empty line. Lines are numbered from 1.
//
// The index is built in one pass over the text and keeps the start of every
// 16th line only, so that even a file of nothing but line ends costs little
// memory; any other line is found by walking on from the nearest kept one.
class MessageText
{
public:
    // Where a text occurs, in bytes of the buffer. wrapped: the search went
    // past the end (or the start) and came round to find it.
    struct Hit
    {
        qsizetype offset = -1;
        qsizetype length = 0;
        bool wrapped = false;

        bool found() const { return offset >= 0; }
    };

    // A text looked for ignoring letter case as the message's kind does:
    // 8-bit with the Latin-1 cases, decoded with the Unicode cases.
    class Needle
    {
    public:
        Needle() = default;
        Needle(QStringView text, TextKind kind);

        bool isEmpty() const { return m_empty; }

    private:
        friend class MessageText;
        TextNeedle m_needle;
        bool m_empty = true;
        // No occurrence is longer than this many bytes (a decoded character
        // may differ in length from its other letter case).
        qsizetype m_longest = 0;
    };

    MessageText();
    MessageText(QByteArray text, TextKind kind);

    // Reads a file once (throws AppFailure when it cannot be read) and keeps
    // its bytes, or its decoded text for TextKind::Unicode.
    static MessageText fromFile(const QString &path, TextKind kind);

    TextKind kind() const { return m_kind; }
    const QByteArray &bytes() const { return m_text; }
    qsizetype lineCount() const { return m_lineCount; }
    // The longest line's length in bytes, without its line end.
    qsizetype longestLine() const { return m_longestLine; }

    // Where a line starts, and where it ends (the offset of its line end, or
    // the buffer's size). A line outside 1..lineCount() is taken as the
    // nearest one.
    qsizetype lineStart(qsizetype line) const;
    qsizetype lineEnd(qsizetype line) const { return endOfLineAt(lineStart(line)); }
    QByteArrayView lineBytes(qsizetype line) const;
    // The line holding the byte at offset (the last line for an offset at or
    // past the end).
    qsizetype lineOf(qsizetype offset) const;
    // A piece of the buffer as text: 8-bit bytes one character each, decoded
    // text from UTF-8.
    QString toText(QByteArrayView bytes) const;

    Needle needle(QStringView text) const { return Needle(text, m_kind); }
    // The first occurrence at or after from, else (wrapping) the first one
    // of the text. Not found for an empty needle or none at all.
    Hit findNext(const Needle &needle, qsizetype from) const;
    // The last occurrence starting before before, else (wrapping) the last
    // one of the text.
    Hit findPrevious(const Needle &needle, qsizetype before) const;
    // The occurrences that overlap [start, end), one after another without
    // overlapping each other, in order.
    std::vector<Hit> hitsWithin(const Needle &needle, qsizetype start, qsizetype end) const;

private:
    static constexpr qsizetype Stride = 16;

    void buildIndex();
    qsizetype endOfLineAt(qsizetype start) const;
    // The start of the line after the one ending at end, or -1 when that
    // line is the last.
    qsizetype nextLineStart(qsizetype end) const;
    // A position moved onto the first byte of a character (decoded text).
    qsizetype characterStartAtOrAfter(qsizetype at) const;
    qsizetype characterStartAtOrBefore(qsizetype at) const;
    Hit lastHitBefore(const Needle &needle, qsizetype before) const;

    QByteArray m_text;
    TextKind m_kind = TextKind::Bytes;
    qsizetype m_lineCount = 1;
    qsizetype m_longestLine = 0;
    // m_lineStarts[k] is where line k * Stride + 1 starts.
    std::vector<qsizetype> m_lineStarts;
};
