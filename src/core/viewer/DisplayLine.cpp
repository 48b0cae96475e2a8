#include "DisplayLine.h"

#include "core/extract/Utf8Fold.h"

#include <cstring>
#include <limits>

namespace {
constexpr qsizetype TabWidth = 8;

// Walks the characters of a line with the column each is shown at.
class CharacterWalk
{
public:
    CharacterWalk(QByteArrayView line, TextKind kind)
        : m_bytes(reinterpret_cast<const unsigned char *>(line.data()))
        , m_size(line.size())
        , m_kind(kind)
    { }

    bool atEnd() const { return m_at >= m_size; }
    qsizetype byte() const { return m_at; }
    qsizetype column() const { return m_column; }
    // The character here and its length in bytes.
    char32_t character(int &length) const
    {
        length = 1;
        return m_kind == TextKind::Unicode ? Utf8Fold::decode(m_bytes, m_at, m_size, length) : char32_t(m_bytes[m_at]);
    }
    // The columns a character takes at the current column.
    qsizetype width(char32_t c) const
    {
        if (c == U'\t')
            return TabWidth - m_column % TabWidth;
        return c >= 0x10000 && c < Utf8Fold::InvalidBase ? 2 : 1;
    }
    void advance(int length, qsizetype width)
    {
        m_at += length;
        m_column += width;
    }
    // On past the characters that end at or before column (or to the end).
    // 8-bit text is one column a byte between tabs, so it goes from tab to
    // tab: a line of many megabytes is passed over at memchr's speed.
    void skipTo(qsizetype column)
    {
        while (!atEnd()) {
            if (m_kind == TextKind::Bytes) {
                const void *tab = std::memchr(m_bytes + m_at, '\t', size_t(m_size - m_at));
                const qsizetype plain = (tab ? static_cast<const unsigned char *>(tab) - m_bytes : m_size) - m_at;
                const qsizetype passed = std::min(plain, std::max<qsizetype>(0, column - m_column));
                m_at += passed;
                m_column += passed;
                if (passed < plain || atEnd())
                    return;
            }
            int length = 1;
            const qsizetype w = width(character(length));
            if (m_column + w > column)
                return;
            advance(length, w);
        }
    }

private:
    const unsigned char *m_bytes;
    qsizetype m_size;
    TextKind m_kind;
    qsizetype m_at = 0;
    qsizetype m_column = 0;
};

// Appends one character as it is shown (a tab as the spaces it takes).
void appendShown(QString &text, char32_t c, qsizetype width)
{
    if (c == U'\t')
        text.append(QString(width, QLatin1Char(' ')));
    else if (c < 0x20)
        text.append(QChar(char16_t(0x2400 + c)));
    else if (c == 0x7F)
        text.append(QChar(char16_t(0x2421)));
    else if (c >= Utf8Fold::InvalidBase)
        text.append(QChar(QChar::ReplacementCharacter));
    else if (c < 0x10000)
        text.append(QChar(char16_t(c)));
    else {
        text.append(QChar(QChar::highSurrogate(c)));
        text.append(QChar(QChar::lowSurrogate(c)));
    }
}
} // namespace

DisplayLine displayLine(QByteArrayView line, TextKind kind, qsizetype fromColumn, qsizetype columnLimit)
{
    CharacterWalk walk(line, kind);
    walk.skipTo(fromColumn);
    DisplayLine shown;
    shown.firstByte = walk.byte();
    shown.firstColumn = walk.column();
    while (!walk.atEnd() && walk.column() < columnLimit) {
        int length = 1;
        const char32_t c = walk.character(length);
        const qsizetype width = walk.width(c);
        shown.columns.insert(shown.columns.end(), size_t(length), walk.column());
        appendShown(shown.text, c, width);
        walk.advance(length, width);
    }
    shown.columns.push_back(walk.column());
    return shown;
}

qsizetype displayColumns(QByteArrayView line, TextKind kind)
{
    CharacterWalk walk(line, kind);
    walk.skipTo(std::numeric_limits<qsizetype>::max());
    return walk.column();
}
