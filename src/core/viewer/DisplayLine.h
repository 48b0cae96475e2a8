#pragma once

#include "core/extract/TextKind.h"

#include <QByteArrayView>
#include <QString>

#include <algorithm>
#include <vector>

// One line of a message as the viewer paints it: 8-bit bytes one character
// each, decoded text read from UTF-8 (a byte outside any valid sequence as
// U+FFFD), tabs expanded to the next multiple of eight columns and control
// characters shown as their pictures (U+2400 onwards), so that every byte
// takes a visible place. A column is one UTF-16 unit of the text.
//
// Only the part of a line that can be seen is turned into text: from the
// character at a given column (the view scrolled across) to a limit (the
// view's right edge), so that a line of many megabytes costs a paint no more
// than its shown part and a count of the columns before it.
struct DisplayLine
{
    // The first byte turned into text, and the column where it is shown
    // (at most the column asked for: a tab or a character of two units may
    // begin before it).
    qsizetype firstByte = 0;
    qsizetype firstColumn = 0;
    QString text;
    // columns[i] is the column where byte firstByte + i of the line is shown
    // (the column of its character for a byte inside a UTF-8 sequence), for
    // each byte turned into text, and one more: the column after the last.
    std::vector<qsizetype> columns;

    // The end of the bytes turned into text.
    qsizetype endByte() const { return firstByte + qsizetype(columns.size()) - 1; }
    // The column where a byte of the line is shown, clamped to the part
    // turned into text.
    qsizetype columnOf(qsizetype byte) const
    {
        return columns[size_t(std::clamp(byte, firstByte, endByte()) - firstByte)];
    }
};

// The shown part of a line: from the character shown at fromColumn, until
// the text reaches columnLimit.
DisplayLine displayLine(QByteArrayView line, TextKind kind, qsizetype fromColumn, qsizetype columnLimit);

// The columns the bytes of a line's start take (where the next byte is
// shown).
qsizetype displayColumns(QByteArrayView line, TextKind kind);
