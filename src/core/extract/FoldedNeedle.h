#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QStringView>

#include <array>
#include <cstdint>

// A text searched for in 8-bit text regardless of letter case. The needle is
// lower-cased once; the haystack is folded byte by byte through the Latin-1
// table while it is compared, so no lower-cased copy of it is ever made.
// The search compares two bytes of the needle (its two rarest characters in
// mail text, by a fixed estimate, in either letter case) with the text at
// sixteen positions at once, and checks the whole needle only where both
// agree.
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
    qsizetype pairIndexIn(QByteArrayView haystack, qsizetype from) const;
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
    // The two needle positions compared first (the same one for a needle of
    // one character), and for each the byte a text byte must equal once
    // or-ed with the mask: a character whose two letter cases differ only
    // in bit 0x20 has the mask 0x20, any other 0. -1: no such pair.
    std::array<qsizetype, 2> m_pairAt { -1, -1 };
    std::array<unsigned char, 2> m_pairByte {};
    std::array<unsigned char, 2> m_pairMask {};
};
