#pragma once

#include "TextKind.h"
#include "TextSetMatcher.h"
#include "UnicodeTextSetMatcher.h"

#include <QByteArrayView>
#include <QStringList>

#include <vector>

// The text-set automaton for 8-bit or for decoded text, behind one face.
class SetMatcher
{
public:
    SetMatcher() = default;
    SetMatcher(const QStringList &sets, TextKind kind)
        : m_kind(kind)
    {
        if (kind == TextKind::Unicode)
            m_unicode = UnicodeTextSetMatcher(sets);
        else
            m_bytes = TextSetMatcher(sets);
    }

    // The positions (in list order) of the sets the line holds.
    void findContained(QByteArrayView line, std::vector<qsizetype> &found) const
    {
        if (m_kind == TextKind::Unicode)
            m_unicode.findContained(line, found);
        else
            m_bytes.findContained(line, found);
    }
    // The offset of the last byte of the next set found at or after from,
    // or -1.
    qsizetype nextMatchEnd(QByteArrayView text, qsizetype from) const
    {
        return m_kind == TextKind::Unicode ? m_unicode.nextMatchEnd(text, from) : m_bytes.nextMatchEnd(text, from);
    }

private:
    TextKind m_kind = TextKind::Bytes;
    TextSetMatcher m_bytes;
    UnicodeTextSetMatcher m_unicode;
};
