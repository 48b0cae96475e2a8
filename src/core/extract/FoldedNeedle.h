#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QStringView>

#include <array>
#include <cstdint>

// A text searched for in 8-bit text regardless of letter case. The needle is
// lower-cased once; the haystack is folded byte by byte through the Latin-1
// table while it is compared, so no lower-cased copy of it is ever made.
// When the needle holds a character that is rare in mail text (by a fixed
// estimate), the search jumps from one occurrence of that character (in
// either letter case) to the next with memchr and checks the needle around
// it; otherwise it skips ahead Horspool-style.
//
// The empty needle occurs at the start of every text. A needle holding a
// character outside ISO-8859-1 occurs nowhere: no 8-bit text can hold it.
class FoldedNeedle
{
public:
    FoldedNeedle() = default;
    explicit FoldedNeedle(QStringView text);

    // False for a needle that can never be found.
    bool isSearchable() const { return m_searchable; }
    // A needle holding a line end is never found within a line.
    bool holdsLineEnd() const { return m_lowered.contains('\r') || m_lowered.contains('\n'); }
    qsizetype size() const { return m_lowered.size(); }

    // The first position at or after from where the needle occurs, or -1.
    qsizetype indexIn(QByteArrayView haystack, qsizetype from = 0) const;
    bool occursIn(QByteArrayView haystack) const { return indexIn(haystack) >= 0; }

private:
    qsizetype horspoolIndexIn(QByteArrayView haystack, qsizetype from) const;
    qsizetype rareByteIndexIn(QByteArrayView haystack, qsizetype from) const;
    bool occursAt(const unsigned char *text, qsizetype at) const;

    QByteArray m_lowered;
    bool m_searchable = true;
    // How far the window may move when its last byte (lower-cased) is c.
    std::array<std::uint32_t, 256> m_shift {};
    // The needle position searched for with memchr (-1: none is rare
    // enough), and the one or two bytes that fold to its character.
    qsizetype m_rarePosition = -1;
    std::array<unsigned char, 2> m_rareBytes {};
    int m_rareByteCount = 0;
};
