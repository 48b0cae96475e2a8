#pragma once

#include "FoldedNeedle.h"
#include "TextKind.h"
#include "UnicodeNeedle.h"

#include <QByteArrayView>
#include <QStringView>

// A typed text searched for ignoring letter case, in 8-bit text or in
// decoded (UTF-8) text: one face for the two needles, so that a run is
// written once for both kinds of text.
class TextNeedle
{
public:
    TextNeedle() = default;
    TextNeedle(QStringView text, TextKind kind)
        : m_kind(kind)
    {
        if (kind == TextKind::Unicode)
            m_unicode = UnicodeNeedle(text);
        else
            m_bytes = FoldedNeedle(text);
    }

    // A needle holding a line end is never found within a line; one that
    // can never occur is treated the same way by the line searches.
    bool holdsLineEnd() const
    {
        return m_kind == TextKind::Unicode ? m_unicode.holdsLineEnd() || !m_unicode.isSearchable()
                                           : m_bytes.holdsLineEnd();
    }
    bool isEmpty() const { return m_kind == TextKind::Unicode ? m_unicode.isEmpty() : m_bytes.size() == 0; }

    // The first offset at or after from where the needle occurs, or -1;
    // length receives the occurrence's length in bytes.
    qsizetype indexIn(QByteArrayView text, qsizetype from, qsizetype &length) const
    {
        if (m_kind == TextKind::Unicode)
            return m_unicode.indexIn(text, from, &length);
        length = m_bytes.size();
        return m_bytes.indexIn(text, from);
    }
    qsizetype indexIn(QByteArrayView text, qsizetype from = 0) const
    {
        qsizetype length = 0;
        return indexIn(text, from, length);
    }

private:
    TextKind m_kind = TextKind::Bytes;
    FoldedNeedle m_bytes;
    UnicodeNeedle m_unicode;
};
